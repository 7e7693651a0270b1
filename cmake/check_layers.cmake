# The program's folders are layers, each built as one library that links only
# to the layers it builds on: base, then sources, then views; the window (app)
# and the report (report) both build on views, and neither on the other. A
# file may include only headers of its own layer and of the layers below it,
# so that nothing runs back up or across.
#
# The views are platform-free but for the window's showers, which are Win32
# files (*_win.h, *_win.cpp): no other file under views/ includes <windows.h>
# or a header of the platform's, nor a header that leads to one through other
# headers of the tree.
#
# Included by the project, it checks the source tree at configure time; run
# as a script (cmake -DROOT=dir -P check_layers.cmake) it checks `dir`.
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.21)
endif()
set(GL_LAYERS base sources views app report)
# The layers each layer builds on directly.
set(GL_LAYER_USES_base "")
set(GL_LAYER_USES_sources base)
set(GL_LAYER_USES_views sources)
set(GL_LAYER_USES_app views)
set(GL_LAYER_USES_report views)

# Headers of the platform that include <windows.h> themselves.
set(GL_WINDOWS_HEADERS_REGEX
    "^(windows|windef|winbase|winuser|objbase|ole2|oleauto|objidl|shlobj|shellapi|shlwapi|commctrl|commdlg|urlhist|wininet|knownfolders)\\.h$")

# Every layer that `layer` builds on, directly or through others.
function(gl_layers_below layer out)
  set(below "")
  set(todo ${GL_LAYER_USES_${layer}})
  while(todo)
    list(POP_FRONT todo next)
    if(NOT next IN_LIST below)
      list(APPEND below ${next})
      list(APPEND todo ${GL_LAYER_USES_${next}})
    endif()
  endwhile()
  set(${out} ${below} PARENT_SCOPE)
endfunction()

function(gl_check_layers root)
  set(violations "")
  set(all "")
  foreach(layer ${GL_LAYERS})
    gl_layers_below(${layer} below)
    file(GLOB_RECURSE files ${root}/${layer}/*.h ${root}/${layer}/*.cpp ${root}/${layer}/*.h.in)
    foreach(f ${files})
      file(RELATIVE_PATH rel ${root} ${f})
      list(APPEND all ${rel})
      string(MAKE_C_IDENTIFIER "${rel}" key)
      set(deps_${key} "")
      set(platform_${key} "")
      file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
      foreach(line ${lines})
        if(line MATCHES "^[^<\"]*<([^>]+)>")
          set(header ${CMAKE_MATCH_1})
          string(TOLOWER "${header}" lower)
          if(lower MATCHES "${GL_WINDOWS_HEADERS_REGEX}" AND NOT platform_${key})
            set(platform_${key} "<${header}>")
          endif()
          continue()
        endif()
        if(NOT line MATCHES "^[^\"]*\"([^\"]+)\"")
          continue()
        endif()
        set(included ${CMAKE_MATCH_1})
        if(EXISTS ${root}/${included})
          list(APPEND deps_${key} ${included})
        endif()
        if(included MATCHES "^([^/]+)/")
          set(top ${CMAKE_MATCH_1})
          if(top IN_LIST GL_LAYERS AND NOT top STREQUAL layer AND NOT top IN_LIST below)
            string(STRIP "${line}" shown)
            list(APPEND violations "${rel}: ${shown} (${layer} may not include ${top})")
          endif()
        endif()
      endforeach()
    endforeach()
  endforeach()

  # Which files reach a platform header, and through which include: the
  # files that include one, then those that include such a file, until no
  # more join.
  set(reaching "")
  foreach(rel ${all})
    string(MAKE_C_IDENTIFIER "${rel}" key)
    if(platform_${key})
      list(APPEND reaching ${rel})
      set(via_${key} "${platform_${key}}")
    endif()
  endforeach()
  set(grew TRUE)
  while(grew)
    set(grew FALSE)
    foreach(rel ${all})
      if(rel IN_LIST reaching)
        continue()
      endif()
      string(MAKE_C_IDENTIFIER "${rel}" key)
      foreach(dep ${deps_${key}})
        if(dep IN_LIST reaching)
          list(APPEND reaching ${rel})
          string(MAKE_C_IDENTIFIER "${dep}" depkey)
          set(via_${key} "${dep}, which includes ${via_${depkey}}")
          set(grew TRUE)
          break()
        endif()
      endforeach()
    endforeach()
  endwhile()
  foreach(rel ${reaching})
    if(rel MATCHES "^views/" AND NOT rel MATCHES "_win\\.(h|cpp)$")
      string(MAKE_C_IDENTIFIER "${rel}" key)
      list(APPEND violations "${rel}: includes ${via_${key}} (only the Win32 files of views, *_win.h and *_win.cpp, may)")
    endif()
  endforeach()

  if(violations)
    string(REPLACE ";" "\n  " text "${violations}")
    message(FATAL_ERROR "An include breaks the layers:\n  ${text}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  gl_check_layers(${ROOT})
endif()
