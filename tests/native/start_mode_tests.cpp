#include "ui/start_mode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zent {
namespace {

TEST(StartArguments, ChooseTheModeAndThePreviewsHostWindow) {
  struct Case {
    std::vector<std::string> arguments;
    StartMode mode;
    std::uintptr_t host;
  };
  const std::vector<Case> cases = {
      {{}, StartMode::Dialog, 0},
      {{"/s"}, StartMode::Saver, 0},
      {{"/S", "/P", "99"}, StartMode::Saver, 0},
      {{"/p", "1234"}, StartMode::Preview, 1234},
      {{"/P:5678"}, StartMode::Preview, 5678},
      {{"/p:0"}, StartMode::Preview, 0},
      {{"/P"}, StartMode::Preview, 0},
      {{"/P", "12ab"}, StartMode::Preview, 0},
      {{"/P", "-5"}, StartMode::Preview, 0},
      {{"/P", "99999999999999999999999"}, StartMode::Preview, 0},
      {{"/C:1234"}, StartMode::Dialog, 0},
      {{"/A", "1234"}, StartMode::Dialog, 0},
      {{"/PX", "1234"}, StartMode::Dialog, 0},
  };
  for (const Case& c : cases) {
    const StartRequest request = ParseStartArguments(c.arguments);
    std::string shown;
    for (const auto& argument : c.arguments) shown += argument + " ";
    EXPECT_EQ(request.mode, c.mode) << shown;
    EXPECT_EQ(request.previewHost, c.host) << shown;
  }
}

}  // namespace
}  // namespace zent
