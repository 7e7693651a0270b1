// Where the help file is: beside the program.
#ifndef GLIMMERLOG_APP_HELPPATH_H
#define GLIMMERLOG_APP_HELPPATH_H

namespace glimmerlog {

// The help file's path for the program at `modulePath`: the program's folder
// followed by "\glimmerlog.chm". The folder is taken without its trailing
// separator, so a program in a drive root gets "C:\glimmerlog.chm", not a
// doubled backslash. Works on any string type.
template <class String>
String HelpFilePath(const String& modulePath) {
  using Char = typename String::value_type;
  const size_t slash = modulePath.find_last_of(Char('\\'));
  String folder = slash == String::npos ? String() : modulePath.substr(0, slash);
  static const Char kName[] = {'\\', 'g', 'l', 'i', 'm', 'm', 'e', 'r', 'l', 'o', 'g', '.', 'c', 'h', 'm', 0};
  return folder + kName;
}

}  // namespace glimmerlog

#endif
