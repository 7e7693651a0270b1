# The program's folders are layers, each built as one library that links only
# to the layers below it: base, sources, views, app, report. A file may include only
# headers of its own layer and of those below, so that nothing runs back up.
#
# Included by the project, it checks the source tree at configure time; run
# as a script (cmake -DROOT=dir -P check_layers.cmake) it checks `dir`.
set(GL_LAYERS base sources views app report)

function(gl_check_layers root)
  set(violations "")
  list(LENGTH GL_LAYERS count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last})
    list(GET GL_LAYERS ${i} layer)
    file(GLOB_RECURSE files ${root}/${layer}/*.h ${root}/${layer}/*.cpp ${root}/${layer}/*.h.in)
    foreach(f ${files})
      file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^/\"]+/")
      foreach(line ${lines})
        string(REGEX REPLACE "^[^\"]*\"([^/\"]+)/.*$" "\\1" top "${line}")
        list(FIND GL_LAYERS "${top}" j)
        if(j GREATER i)
          file(RELATIVE_PATH rel ${root} ${f})
          string(STRIP "${line}" line)
          list(APPEND violations "${rel}: ${line} (${layer} may not include ${top})")
        endif()
      endforeach()
    endforeach()
  endforeach()
  if(violations)
    string(REPLACE ";" "\n  " text "${violations}")
    message(FATAL_ERROR "An include runs back up the layers:\n  ${text}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  gl_check_layers(${ROOT})
endif()
