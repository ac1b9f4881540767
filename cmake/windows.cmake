# What the Windows build takes in place of the host's packages. Included by the top-level
# CMakeLists.txt when cross-compiling for Windows; nothing here is used on Linux.
#
# The folder build-windows/bin must run on a bare Windows 10: the C++ and C runtimes and
# winpthread are linked in statically, and SQLite is compiled in.

# Where scripts/setup put the pinned SQLite amalgamation, and the host build whose TARN.MDB
# the Windows folder ships (a SQLite file is the same on both systems).
set(TARN_SQLITE_DIR "/opt/tarn-tools/sqlite-3.50.4" CACHE PATH
    "Folder holding the pinned sqlite3.c and sqlite3.h")
set(TARN_HOST_MDB "${CMAKE_SOURCE_DIR}/build/bin/TARN.MDB" CACHE FILEPATH
    "TARN.MDB made by the host build")
set(TARN_CLI11_INCLUDE "${CMAKE_BINARY_DIR}/include-cli11" CACHE PATH
    "A folder holding only CLI/, CLI11's headers")
set(TARN_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest's sources")

add_link_options(-static -static-libgcc -static-libstdc++)
# Windows' own headers: no min/max macros, and the APIs of Windows 10.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00 UNICODE _UNICODE)

if(NOT EXISTS "${TARN_SQLITE_DIR}/sqlite3.c")
  message(FATAL_ERROR "No sqlite3.c in ${TARN_SQLITE_DIR}: run scripts/setup")
endif()
enable_language(C)
add_library(tarn_sqlite3 STATIC "${TARN_SQLITE_DIR}/sqlite3.c")
target_include_directories(tarn_sqlite3 SYSTEM PUBLIC "${TARN_SQLITE_DIR}")
# The engine's defaults otherwise, as the host's libsqlite3 has them; no loadable extensions.
target_compile_definitions(tarn_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
add_library(SQLite::SQLite3 ALIAS tarn_sqlite3)

# CLI11 is header-only: its headers are copied into a folder of their own, so that the
# cross compiler is never pointed at the host's /usr/include.
if(NOT EXISTS "${TARN_CLI11_INCLUDE}/CLI/CLI.hpp")
  file(COPY /usr/include/CLI DESTINATION "${TARN_CLI11_INCLUDE}")
endif()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE "${TARN_CLI11_INCLUDE}")

# The JSON library likewise: header-only, copied into a folder of its own.
set(TARN_JSON_INCLUDE "${CMAKE_BINARY_DIR}/include-json")
if(NOT EXISTS "${TARN_JSON_INCLUDE}/nlohmann/json.hpp")
  file(COPY /usr/include/nlohmann DESTINATION "${TARN_JSON_INCLUDE}")
endif()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE "${TARN_JSON_INCLUDE}")

# GoogleTest from Debian's sources, built by the cross compiler.
if(TARN_BUILD_TESTS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory("${TARN_GTEST_SOURCE}" googletest EXCLUDE_FROM_ALL)
endif()

# TARN.MDB: the host build's, copied beside the executables.
if(NOT EXISTS "${TARN_HOST_MDB}")
  message(FATAL_ERROR "No ${TARN_HOST_MDB}: build the host tools first (scripts/build)")
endif()
set(TARN_MDB ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/TARN.MDB)
add_custom_command(
  OUTPUT ${TARN_MDB}
  COMMAND ${CMAKE_COMMAND} -E copy "${TARN_HOST_MDB}" "${TARN_MDB}"
  DEPENDS "${TARN_HOST_MDB}"
  COMMENT "Copying the host build's TARN.MDB"
  VERBATIM)
add_custom_target(tarn_mdb ALL DEPENDS ${TARN_MDB})

# The resources every Windows program of TARN carries: version information from
# project(TARN VERSION ...), the icon that packaging/windows/draw_icon.py draws at build time,
# and the manifest (packaging/windows/program.manifest.in). Each program calls
#   tarn_windows_resources(TARGET "DESCRIPTION")
# and gets a resource script of its own, made from packaging/windows/program.rc.in.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(TARN_RC_ICON "${CMAKE_BINARY_DIR}/resources/tarn.ico")
add_custom_command(
  OUTPUT "${TARN_RC_ICON}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/resources"
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/packaging/windows/draw_icon.py"
          "${TARN_RC_ICON}"
  DEPENDS "${CMAKE_SOURCE_DIR}/packaging/windows/draw_icon.py"
  COMMENT "Drawing the programs' icon"
  VERBATIM)
add_custom_target(tarn_icon DEPENDS "${TARN_RC_ICON}")

function(tarn_windows_resources target description)
  set(TARN_RC_NAME "${target}")
  set(TARN_RC_DESCRIPTION "${description}")
  set(TARN_RC_MANIFEST "${CMAKE_BINARY_DIR}/resources/${target}.manifest")
  set(rc "${CMAKE_BINARY_DIR}/resources/${target}.rc")
  configure_file("${CMAKE_SOURCE_DIR}/packaging/windows/program.manifest.in" "${TARN_RC_MANIFEST}"
                 @ONLY)
  configure_file("${CMAKE_SOURCE_DIR}/packaging/windows/program.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
  # The resource compiler reads the icon and the manifest: a change to either rebuilds it.
  set_source_files_properties("${rc}" PROPERTIES
    OBJECT_DEPENDS "${TARN_RC_ICON};${TARN_RC_MANIFEST}")
  add_dependencies(${target} tarn_icon)
endfunction()
