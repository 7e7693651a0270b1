// The order of text columns in the user's language: the list model's
// collation key maker for the main window.
#ifndef GLIMMERLOG_APP_COLLATION_H
#define GLIMMERLOG_APP_COLLATION_H

#include <string>
#include <string_view>

namespace glimmerlog {

void UserLocaleKey(std::u16string_view text, std::string& key);
// The rank of each printable ASCII character in the same order, 128 of them
// (0 for the others), when texts of printable ASCII alone are ordered as
// their ranks are (shorter first on a tie); null when they are not.
const unsigned char* UserLocaleAsciiRanks();

}  // namespace glimmerlog

#endif
