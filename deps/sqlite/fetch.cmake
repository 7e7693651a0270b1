# SQLite's own source, pinned: the autoconf tarball of SQLite 3.52.0 as the
# npm package sqlite3@6.0.1 ships it in its deps/ folder. `npm pack` downloads
# the package tarball and runs nothing from it. Both tarballs are checked by
# SHA-256; the inner one is kept in a cache folder (build/deps by default) so
# that later runs, and both presets, never download again.
#
# Included by deps/sqlite/CMakeLists.txt at configure time; run as a script
# (cmake -DGL_DEPS_CACHE=dir -P fetch.cmake) by scripts/bootstrap, which
# fetches it once while the network is there.
set(GL_SQLITE_NPM_PACKAGE sqlite3@6.0.1)
set(GL_SQLITE_NPM_FILE sqlite3-6.0.1.tgz)
set(GL_SQLITE_NPM_SHA256 ab8d044a93e05bd031d7ea75547c7fa60387cdc259d27f93c0e3e2832c4b1df9)
set(GL_SQLITE_NAME sqlite-autoconf-3520000)
set(GL_SQLITE_SHA256 f6b50b0c103392af32a8be15b2b9d25959de9a00a70c3979128aafeaa5338b3f)

# gl_sqlite_fetch(CACHE_DIR OUT_VAR): the path of the checked SQLite tarball
# in CACHE_DIR, fetched first when it is not there (or not the pinned one).
function(gl_sqlite_fetch cache out)
  set(tarball ${cache}/${GL_SQLITE_NAME}.tar.gz)
  if(EXISTS ${tarball})
    file(SHA256 ${tarball} sum)
    if(sum STREQUAL GL_SQLITE_SHA256)
      set(${out} ${tarball} PARENT_SCOPE)
      return()
    endif()
    message(STATUS "${tarball} is not the pinned SQLite tarball; fetching it again")
  endif()
  # A copy kept for this user outside any build tree, so that a new clone
  # (a CI run, a second checkout) needs no network once one fetch is done.
  if(DEFINED ENV{XDG_CACHE_HOME})
    set(shared $ENV{XDG_CACHE_HOME}/glimmerlog-deps)
  elseif(DEFINED ENV{HOME})
    set(shared $ENV{HOME}/.cache/glimmerlog-deps)
  endif()
  if(shared AND EXISTS ${shared}/${GL_SQLITE_NAME}.tar.gz)
    file(SHA256 ${shared}/${GL_SQLITE_NAME}.tar.gz sum)
    if(sum STREQUAL GL_SQLITE_SHA256)
      file(MAKE_DIRECTORY ${cache})
      file(COPY_FILE ${shared}/${GL_SQLITE_NAME}.tar.gz ${tarball})
      set(${out} ${tarball} PARENT_SCOPE)
      return()
    endif()
  endif()

  find_program(GL_NPM npm)
  if(NOT GL_NPM)
    message(FATAL_ERROR "SQLite's source is not in ${cache} and npm is not installed to fetch it: "
                        "run scripts/bootstrap, or put ${GL_SQLITE_NAME}.tar.gz "
                        "(sha256 ${GL_SQLITE_SHA256}, from the deps/ folder of ${GL_SQLITE_NPM_FILE}) there")
  endif()
  # Everything npm writes (its own download cache included) stays in a
  # scratch folder beside the cache, removed afterwards.
  set(scratch ${cache}/fetch-scratch)
  file(REMOVE_RECURSE ${scratch})
  file(MAKE_DIRECTORY ${scratch})
  message(STATUS "Fetching ${GL_SQLITE_NPM_PACKAGE} with npm pack (SQLite's source is in its deps/ folder)")
  set(npm_args pack ${GL_SQLITE_NPM_PACKAGE} --ignore-scripts --loglevel=error --pack-destination ${scratch}
               --cache ${scratch}/npm-cache)
  execute_process(COMMAND ${GL_NPM} ${npm_args} WORKING_DIRECTORY ${scratch} RESULT_VARIABLE rc OUTPUT_QUIET
                  ERROR_VARIABLE err)
  # Behind a proxy that re-signs TLS with a certificate this system does not
  # trust, the registry cannot be verified. What arrives is checked against
  # the pinned SHA-256 sums below either way, and those are what vouch for
  # the source; so the fetch is tried once more without the TLS check.
  if(NOT rc EQUAL 0 AND err MATCHES "CERT|certificate")
    message(STATUS "The registry's TLS certificate cannot be verified here (${err}); "
                   "fetching again without that check: the pinned SHA-256 sums still decide")
    execute_process(COMMAND ${GL_NPM} ${npm_args} --strict-ssl=false WORKING_DIRECTORY ${scratch} RESULT_VARIABLE rc
                    OUTPUT_QUIET ERROR_VARIABLE err)
  endif()
  set(package ${scratch}/${GL_SQLITE_NPM_FILE})
  if(NOT rc EQUAL 0 OR NOT EXISTS ${package})
    file(REMOVE_RECURSE ${scratch})
    message(FATAL_ERROR "npm pack ${GL_SQLITE_NPM_PACKAGE} failed (${rc}): ${err}")
  endif()
  file(SHA256 ${package} sum)
  if(NOT sum STREQUAL GL_SQLITE_NPM_SHA256)
    file(REMOVE_RECURSE ${scratch})
    message(FATAL_ERROR "${GL_SQLITE_NPM_FILE} has sha256 ${sum}, not the pinned ${GL_SQLITE_NPM_SHA256}")
  endif()
  file(ARCHIVE_EXTRACT INPUT ${package} DESTINATION ${scratch}/x PATTERNS package/deps/${GL_SQLITE_NAME}.tar.gz)
  set(inner ${scratch}/x/package/deps/${GL_SQLITE_NAME}.tar.gz)
  if(NOT EXISTS ${inner})
    file(REMOVE_RECURSE ${scratch})
    message(FATAL_ERROR "${GL_SQLITE_NPM_FILE} holds no deps/${GL_SQLITE_NAME}.tar.gz")
  endif()
  file(SHA256 ${inner} sum)
  if(NOT sum STREQUAL GL_SQLITE_SHA256)
    file(REMOVE_RECURSE ${scratch})
    message(FATAL_ERROR "${GL_SQLITE_NAME}.tar.gz has sha256 ${sum}, not the pinned ${GL_SQLITE_SHA256}")
  endif()
  file(MAKE_DIRECTORY ${cache})
  file(RENAME ${inner} ${tarball})
  file(REMOVE_RECURSE ${scratch})
  if(shared)
    file(MAKE_DIRECTORY ${shared})
    file(COPY_FILE ${tarball} ${shared}/${GL_SQLITE_NAME}.tar.gz)
  endif()
  set(${out} ${tarball} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  if(NOT GL_DEPS_CACHE)
    message(FATAL_ERROR "usage: cmake -DGL_DEPS_CACHE=dir -P fetch.cmake")
  endif()
  gl_sqlite_fetch(${GL_DEPS_CACHE} tarball)
endif()
