// The report as text or JSON, and the program around the dry run.

#include <cstdio>
#include <exception>
#include <ostream>
#include <string_view>
#include <utility>

#include "app/report/dry_run_report.h"
#include "regscan/scan_pattern.h"
#include "sweep/cache_sweep.h"
#include "sweep/junk_sweep.h"

namespace zent::report {
namespace {

struct Counts {
  std::size_t found = 0;
  std::size_t removed = 0;
};

Counts CountsOf(const DryRun& run, std::size_t item) {
  Counts counts;
  counts.found = run.Categories().Item(item).category.EntryCount();
  for (std::size_t i = 0; i < counts.found; ++i) {
    if (run.FateOf(item, i) == Fate::Removed) ++counts.removed;
  }
  return counts;
}

Counts TotalsOf(const DryRun& run) {
  Counts totals;
  for (std::size_t item = 0; item < run.Categories().Count(); ++item) {
    const Counts counts = CountsOf(run, item);
    totals.found += counts.found;
    totals.removed += counts.removed;
  }
  return totals;
}

// A category's caption is its description, a line break and the summary.
std::pair<std::string_view, std::string_view> SplitCaption(std::string_view caption) {
  const auto end = caption.find('\n');
  if (end == std::string_view::npos) return {caption, {}};
  return {caption.substr(0, end), caption.substr(end + 1)};
}

// The program's own caption of a category whose English text the string
// table lacks.
std::string_view BuiltInCaption(bool files, int index) {
  if (files && index == kCacheCategory) return kCacheCaption;
  if (files) {
    for (const FileCategory& category : kFileCategories) {
      if (category.index == index) return category.caption;
    }
    return {};
  }
  for (const RegistryCategory& category : kRegistryCategories) {
    if (static_cast<int>(category.index) == index) return category.caption;
  }
  return {};
}

std::string TitleOf(const DryRun& run, std::size_t item) {
  const CategoryItem& category = run.Categories().Item(item);
  const std::string_view title = SplitCaption(category.caption).first;
  if (!title.empty()) return std::string(title);
  return std::string(BuiltInCaption(item >= run.FirstFileItem(), category.CategoryIndex));
}

std::string EntryText(const Finding& finding) {
  std::string text = finding.name;
  if (!finding.key.empty() && finding.key != finding.name) text += " [" + finding.key + "]";
  if (!finding.target.empty() && finding.target != finding.name) text += " -> " + finding.target;
  if (finding.view == platform::RegView::Bits32) text += " (32-bit view)";
  return text;
}

Finding FindingAt(const FindingCategory& category, std::size_t i) {
  const auto at = [i](const std::vector<std::string>& list) {
    return i < list.size() ? list[i] : std::string();
  };
  return {at(category.EntryNames()), at(category.TargetPaths()), at(category.EntryKeys()),
          at(category.EntryDetails()), category.View(i)};
}

std::string_view SourceName(OptionSource source) {
  switch (source) {
    case OptionSource::Safety:
      return "safety";
    case OptionSource::MainProgram:
      return "main-program";
    case OptionSource::Chosen:
      return "categories";
  }
  return {};
}

// Quotes and escapes UTF-8 text; bytes from 0x80 up pass as they are.
void JsonString(std::ostream& out, std::string_view text) {
  out << '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out << '\\' << c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out << escaped;
    } else {
      out << c;
    }
  }
  out << '"';
}

void JsonField(std::ostream& out, std::string_view name, std::string_view text) {
  JsonString(out, name);
  out << ':';
  JsonString(out, text);
}

void WriteJsonEntry(std::ostream& out, const Finding& finding, Fate fate) {
  out << '{';
  JsonField(out, "name", finding.name);
  out << ',';
  JsonField(out, "key", finding.key);
  out << ',';
  JsonField(out, "target", finding.target);
  out << ',';
  JsonField(out, "detail", finding.detail);
  out << ",\"view32\":" << (finding.view == platform::RegView::Bits32 ? "true" : "false");
  out << ",\"remove\":" << (fate == Fate::Removed ? "true" : "false")
      << ",\"needsAdministratorRights\":" << (fate == Fate::NeedsRights ? "true" : "false") << '}';
}

void WriteJsonCategory(std::ostream& out, const DryRun& run, std::size_t item) {
  const CategoryItem& category = run.Categories().Item(item);
  const Counts counts = CountsOf(run, item);
  out << '{';
  JsonField(out, "caption", TitleOf(run, item));
  out << ',';
  JsonField(out, "summary", SplitCaption(category.caption).second);
  out << ",\"kind\":\"" << (item < run.FirstFileItem() ? "registry" : "files") << '"';
  out << ",\"index\":" << category.CategoryIndex << ",\"found\":" << counts.found
      << ",\"toRemove\":" << counts.removed << ",\"entries\":[";
  for (std::size_t i = 0; i < counts.found; ++i) {
    if (i > 0) out << ',';
    WriteJsonEntry(out, FindingAt(category.category, i), run.FateOf(item, i));
  }
  out << "]}";
}

std::string_view FateText(Fate fate) {
  switch (fate) {
    case Fate::Removed:
      return "  remove  ";
    case Fate::LeftAlone:
      return "  keep    ";
    case Fate::NeedsRights:
      return "  keep (needs administrator rights)  ";
  }
  return "  keep    ";
}

void WriteTextCategory(std::ostream& out, const DryRun& run, std::size_t item) {
  const CategoryItem& category = run.Categories().Item(item);
  const Counts counts = CountsOf(run, item);
  out << '\n' << TitleOf(run, item) << '\n';
  for (std::size_t i = 0; i < counts.found; ++i) {
    out << FateText(run.FateOf(item, i)) << EntryText(FindingAt(category.category, i)) << '\n';
  }
  out << "  would remove " << counts.removed << " of " << counts.found << '\n';
}

// One line on a terminal, rewritten in place; at most one screen line.
class ProgressLine {
 public:
  explicit ProgressLine(std::ostream& err) : err_(err) {}
  ~ProgressLine() { Show({}); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void Show(std::string text) {
    constexpr std::size_t kWidth = 78;
    if (text.size() > kWidth) {
      std::size_t cut = kWidth;
      // Never in the middle of a character.
      while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
      text.resize(cut);
    }
    if (text == shown_) return;
    err_ << '\r' << text
         << std::string(shown_.size() > text.size() ? shown_.size() - text.size() : 0, ' ') << '\r'
         << std::flush;
    shown_ = std::move(text);
  }

 private:
  std::ostream& err_;
  std::string shown_;
};

int Fail(std::ostream& err, int code, std::string_view message) {
  err << "ZentReport: " << message << '\n';
  return code;
}

int RunAndReport(DryRun& run, const ReportRequest& request, ReportStreams streams) {
  const DryRun::Refusal refusal = run.Prepare(request);
  if (refusal.exitCode != kExitComplete)
    return Fail(streams.err, refusal.exitCode, refusal.message);
  bool complete = false;
  {
    std::optional<ProgressLine> progress;
    if (streams.progress) {
      progress.emplace(streams.err);
      run.OnProgress([&progress](const std::string& status, const std::string& item) {
        progress->Show(item.empty() ? status : status + " | " + item);
      });
    }
    complete = run.Run(run.Steps());
    run.OnProgress({});
  }
  if (!complete) {
    return Fail(streams.err, kExitFailed,
                "the run failed, so nothing is reported: " + run.Failure());
  }
  if (request.json) {
    WriteJson(streams.out, run);
  } else {
    WriteText(streams.out, run);
  }
  return streams.out.good() ? kExitComplete
                            : Fail(streams.err, kExitFailed, "the report could not be written");
}

}  // namespace

void WriteText(std::ostream& out, const DryRun& run) {
  out << "Dry run: nothing was changed. Option source: " << SourceName(run.Source()) << '\n'
      << (run.Elevated() ? "Runs with administrator rights.\n"
                         : "Runs without administrator rights: what needs them is kept.\n");
  for (std::size_t item = 0; item < run.Categories().Count(); ++item) {
    WriteTextCategory(out, run, item);
  }
  const Counts totals = TotalsOf(run);
  out << "\nA run would remove " << totals.removed << " of " << totals.found << " findings in "
      << run.Categories().Count() << " categories.\n";
}

void WriteJson(std::ostream& out, const DryRun& run) {
  const Counts totals = TotalsOf(run);
  out << "{\"optionSource\":\"" << SourceName(run.Source())
      << "\",\"administratorRights\":" << (run.Elevated() ? "true" : "false")
      << ",\"found\":" << totals.found << ",\"toRemove\":" << totals.removed << ",\"categories\":[";
  for (std::size_t item = 0; item < run.Categories().Count(); ++item) {
    if (item > 0) out << ',';
    WriteJsonCategory(out, run, item);
  }
  out << "]}\n";
}

int RunReportProgram(platform::Platform& live, platform::ShellLinks& links, TextLoader loadText,
                     const std::vector<std::string>& arguments, ReportStreams streams) {
  const ParsedArguments parsed = ParseReportArguments(arguments);
  if (!parsed.request) return Fail(streams.err, kExitUsage, parsed.error);
  if (parsed.request->help) {
    streams.out << kUsageText;
    return kExitComplete;
  }
  try {
    DryRun run(live, links, std::move(loadText));
    return RunAndReport(run, *parsed.request, streams);
  } catch (const std::exception& error) {
    return Fail(streams.err, kExitFailed, std::string("the run failed: ") + error.what());
  }
}

}  // namespace zent::report
