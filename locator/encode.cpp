#include "locator/encode.h"

#include "locator/encode_steps.h"

namespace morvane {

std::optional<std::string> EncodeLocator(TypedAxis latitude, bool south,
                                         TypedAxis longitude, bool west) {
  const auto steps = detail::EncodeSteps<false>(latitude, south, longitude, west);
  if (!steps) return std::nullopt;
  // Built in place: no string is moved on the way out.
  std::optional<std::string> locator(std::in_place, 6, ' ');
  detail::WriteSixCharacters(*steps, locator->data());
  return locator;
}

}  // namespace morvane
