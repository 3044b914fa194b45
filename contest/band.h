// PBand as loggers write it ("145 MHz", "2m", "1,3 GHz", "23cm", "432")
// to the band it names, so that logs of one band are compared together.
#pragma once

#include <string>
#include <string_view>

namespace morvane::contest {

struct Band {
  std::string name;  // "144 MHz", "1.3 GHz"; for an unknown value, the value as written
  bool known = false;
  double mhz = 0;  // the band's lower edge, to put bands in frequency order; 0 when not known
};

// The amateur band a PBand value lies in: a frequency in MHz or GHz (with
// "." or "," as the decimal mark; a bare number is MHz, or GHz below 50),
// or a wavelength ("2m", "70cm"). A value in no VHF-and-up band (a typo
// such as "14 MHz") is not known.
Band NormaliseBand(std::string_view pband);

}  // namespace morvane::contest
