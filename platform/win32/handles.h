#pragma once

// One owning type per kind of Windows handle. Every handle the Win32 layer
// opens lives in one of these from the moment it is returned, so no early
// return or exception can leak it, and the matching close call appears only
// here.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <utility>

namespace zent::win32 {

// Owns a value of Traits::Type and releases it with Traits::Close unless it
// holds Traits::Invalid().
template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type value) : value_(value) {}
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Type get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::Invalid(); }

  Type release() { return std::exchange(value_, Traits::Invalid()); }
  void reset(Type value = Traits::Invalid()) {
    const Type old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // For out-parameters: releases what is held and lends the slot.
  Type* put() {
    reset();
    return &value_;
  }

 private:
  Type value_ = Traits::Invalid();
};

struct RegistryKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type key) { RegCloseKey(key); }
};

// Kernel objects: processes, threads, mutexes. CreateFileW's failure value is
// INVALID_HANDLE_VALUE, not null, hence the separate FileTraits.
struct KernelObjectTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { CloseHandle(handle); }
};

struct FileTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { CloseHandle(handle); }
};

struct FindTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { FindClose(handle); }
};

template <typename Object>
struct GdiObjectTraits {
  using Type = Object;
  static Type Invalid() { return nullptr; }
  static void Close(Type object) { DeleteObject(object); }
};

struct ImageListTraits {
  using Type = HIMAGELIST;
  static Type Invalid() { return nullptr; }
  static void Close(Type list) { ImageList_Destroy(list); }
};

// Destroying a window destroys its children too, so the owner of a child may
// find its window gone when the parent went first; it then leaves the handle
// alone rather than hand a dead one to the system.
struct WindowTraits {
  using Type = HWND;
  static Type Invalid() { return nullptr; }
  static void Close(Type window) {
    if (IsWindow(window)) DestroyWindow(window);
  }
};

struct CursorTraits {
  using Type = HCURSOR;
  static Type Invalid() { return nullptr; }
  static void Close(Type cursor) { DestroyCursor(cursor); }
};

// Memory the system allocated for the caller to free with LocalFree, such as
// CommandLineToArgvW's argument list.
template <typename Pointer>
struct LocalMemoryTraits {
  using Type = Pointer;
  static Type Invalid() { return nullptr; }
  static void Close(Type memory) { LocalFree(memory); }
};

// Device contexts of CreateCompatibleDC; GetDC's are WindowDc below.
struct MemoryDcTraits {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static void Close(Type dc) { DeleteDC(dc); }
};

// Memory the system allocated for the caller to free with CoTaskMemFree, such
// as a known folder's path.
template <typename Pointer>
struct CoTaskMemoryTraits {
  using Type = Pointer;
  static Type Invalid() { return nullptr; }
  static void Close(Type memory) { CoTaskMemFree(memory); }
};

using UniqueHkey = UniqueHandle<RegistryKeyTraits>;
using UniqueKernelObject = UniqueHandle<KernelObjectTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueFind = UniqueHandle<FindTraits>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueImageList = UniqueHandle<ImageListTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueCursor = UniqueHandle<CursorTraits>;
template <typename Pointer>
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits<Pointer>>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;
template <typename Pointer>
using UniqueCoTaskMemory = UniqueHandle<CoTaskMemoryTraits<Pointer>>;

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// The device context of one WM_PAINT. EndPaint runs even when BeginPaint
// gave no context: the paint is ended either way.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() { EndPaint(window_, &paint_); }
  HDC get() const { return dc_; }
  // The part of the window to paint.
  const RECT& area() const { return paint_.rcPaint; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  PAINTSTRUCT paint_;  // declared before dc_: BeginPaint fills it as dc_ is initialised
  HDC dc_;
};

// An object selected into a device context for a scope; the object it
// replaced is selected back at the end. A null object selects nothing.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A COM interface pointer that releases its reference.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    reset();
    pointer_ = std::exchange(other.pointer_, nullptr);
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  Interface* get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  void reset() {
    if (pointer_) std::exchange(pointer_, nullptr)->Release();
  }
  // For CoCreateInstance and QueryInterface.
  void** put_void() {
    reset();
    return reinterpret_cast<void**>(&pointer_);
  }

 private:
  Interface* pointer_ = nullptr;
};

// COM initialised on this thread for the object's lifetime.
class ComApartment {
 public:
  ComApartment() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (initialized_) CoUninitialize();
  }
  bool ok() const { return initialized_; }

 private:
  bool initialized_;
};

}  // namespace zent::win32
