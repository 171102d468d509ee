#include "ui/star_preview.h"

#include <algorithm>

namespace zent {

std::int32_t StarPreview::ProjectionFor(int width, int screenWidth) {
  if (width <= 0 || screenWidth <= width) return Starfield::kScreenProjection;
  const std::int64_t scaled =
      std::int64_t{Starfield::kScreenProjection} * width / std::max(screenWidth, 1);
  return static_cast<std::int32_t>(std::max<std::int64_t>(scaled, 1));
}

void StarPreview::Prepare(const StarSettings& stars, int width, int height, int screenWidth,
                          std::uint32_t seed) {
  random_.Reseed(seed);
  starfield_.Prepare(stars.starCount, stars.speed, stars.blockStars, width, height, random_,
                     ProjectionFor(width, screenWidth));
}

}  // namespace zent
