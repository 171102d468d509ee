#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "platform/canvas.h"
#include "platform/system.h"

namespace zent {

// What the drive list shows; the numbers are the bits of the stored set.
enum class DriveListOption : std::uint8_t {
  ShowDriveA = 1,
  ShowImages = 2,
  ShowName = 4,
  ShowFixed = 8,
  ShowCDROM = 16,
  ShowRemovable = 32,
  ShowRemote = 64,
};

class DriveListOptions {
 public:
  constexpr DriveListOptions() = default;
  constexpr DriveListOptions(std::initializer_list<DriveListOption> options) {
    for (const auto option : options) bits_ |= Bit(option);
  }
  static constexpr DriveListOptions All() { return FromBits(kAllBits); }
  // Bits that name no option are dropped.
  static constexpr DriveListOptions FromBits(std::uint8_t bits) {
    DriveListOptions options;
    options.bits_ = bits & kAllBits;
    return options;
  }

  constexpr std::uint8_t Bits() const { return bits_; }
  constexpr bool Has(DriveListOption option) const { return (bits_ & Bit(option)) != 0; }
  constexpr DriveListOptions With(DriveListOption option) const {
    return FromBits(bits_ | Bit(option));
  }
  constexpr DriveListOptions Without(DriveListOption option) const {
    return FromBits(bits_ & ~Bit(option));
  }
  friend constexpr bool operator==(DriveListOptions, DriveListOptions) = default;

 private:
  static constexpr std::uint8_t kAllBits = 0x7F;
  static constexpr std::uint8_t Bit(DriveListOption option) {
    return static_cast<std::uint8_t>(option);
  }
  std::uint8_t bits_ = 0;
};

// The display texts for the drive kinds, in this order; the owner sets them
// before the list is drawn.
enum TypeNameIndex : std::size_t {
  kTypeNameUnknown,
  kTypeNameRemovable,
  kTypeNameFixed,
  kTypeNameCdRom,
  kTypeNameRemote,
};
using TypeNameTexts = std::array<std::string, 5>;

// The drive list: one row per listed drive, each with a check state, drawn by
// DrawDrive into whatever surface hosts it. The rows hold drive numbers
// (0 = A ... 25 = Z) that lead into the per-drive tables, so the row order and
// the drive numbers are independent of each other. Every call that takes a row
// index throws std::out_of_range for an index that is not a row.
class DriveList {
 public:
  static constexpr int kRowHeight = 40;
  static constexpr std::size_t kTableSize = 30;

  DriveList();

  DriveListOptions Options() const { return options_; }
  void SetOptions(DriveListOptions options) { options_ = options; }
  const TypeNameTexts& TypeNames() const { return typeNames_; }
  void SetTypeNames(TypeNameTexts names) { typeNames_ = std::move(names); }
  // Not owned; nullptr for none. Its images are the drive kinds in the order
  // removable, fixed, CD-ROM, remote.
  const platform::ImageList* ImageList() const { return images_; }
  void SetImageList(const platform::ImageList* images) { images_ = images; }

  // Appends a row for every drive the options admit. It does not clear the
  // list first: the owner reads the drives once.
  void ReadDrives(platform::SystemQueries& system);

  std::size_t RowCount() const { return rows_.size(); }
  // The row's drive number as decimal text ("2" for C).
  std::string RowText(std::size_t row) const;
  bool Checked(std::size_t row) const;
  void SetChecked(std::size_t row, bool checked);

  std::uint16_t DriveType(std::size_t row) const;
  const std::string& VolumeName(std::size_t row) const;
  char DriveLetter(std::size_t row) const;

  int RowHeight() const { return kRowHeight; }
  // Draws one row into `rect`; the surface has already chosen the normal or
  // the selected background for it.
  void DrawDrive(std::size_t row, const platform::Rect& rect, platform::Canvas& canvas) const;

  const std::array<char, kTableSize>& DriveLetters() const { return driveLetters_; }
  const std::array<std::uint16_t, kTableSize>& DriveTypes() const { return driveTypes_; }
  const std::array<std::string, kTableSize>& VolumeNames() const { return volumeNames_; }

 private:
  struct Row {
    std::size_t drive = 0;
    bool checked = false;
  };

  bool Lists(std::uint32_t driveType) const;
  void AddRow(std::size_t drive);

  DriveListOptions options_ = DriveListOptions::All();
  TypeNameTexts typeNames_;
  const platform::ImageList* images_ = nullptr;
  std::array<char, kTableSize> driveLetters_;
  std::array<std::uint16_t, kTableSize> driveTypes_;
  std::array<std::string, kTableSize> volumeNames_;
  std::vector<Row> rows_;
};

}  // namespace zent
