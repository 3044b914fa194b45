// The section a log entered, from PSect as loggers write it ("SO",
// "Single op", "SINGLE-OP", "6 - SOP", "MO", "CHECK LOG", "CHECKLOG" ...):
// logs are ranked within their section, and check logs never.
#pragma once

#include <string>
#include <string_view>

namespace morvane::contest {

// "SINGLE", "MULTI" or "CHECK" (IARU Region 1's sections and the check
// log); empty when PSect matches none of them.
std::string SectionOf(std::string_view psect);

}  // namespace morvane::contest
