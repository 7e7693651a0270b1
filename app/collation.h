// The order of text columns in the user's language: the list model's
// collation key maker for the main window.
#ifndef GLIMMERLOG_APP_COLLATION_H
#define GLIMMERLOG_APP_COLLATION_H

#include <string>
#include <string_view>

namespace glimmerlog {

void UserLocaleKey(std::u16string_view text, std::string& key);

}  // namespace glimmerlog

#endif
