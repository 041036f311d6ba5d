# Language level, warnings and defines shared by every target of ours.
add_library(listwright_options INTERFACE)
target_compile_features(listwright_options INTERFACE cxx_std_20)
target_compile_options(listwright_options INTERFACE -Wall -Wextra -Wpedantic)
# GCC 12 warns about std::string assignments it inlines at -O2 (GCC bug 105651).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(listwright_options INTERFACE $<$<NOT:$<CONFIG:Debug>>:-Wno-restrict>)
endif()
# scripts/test (and so the CI) turns it on: a warning fails the build there.
option(LISTWRIGHT_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
if(LISTWRIGHT_WARNINGS_AS_ERRORS)
  target_compile_options(listwright_options INTERFACE -Werror)
endif()
target_compile_definitions(listwright_options INTERFACE
  $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>
  LISTWRIGHT_VERSION="${PROJECT_VERSION}")
set(CMAKE_CXX_EXTENSIONS OFF)

set(LISTWRIGHT_SANITIZE "" CACHE STRING "Sanitizers to build with: address,undefined or thread")
if(LISTWRIGHT_SANITIZE)
  add_compile_options(-fsanitize=${LISTWRIGHT_SANITIZE} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${LISTWRIGHT_SANITIZE})
endif()

# Under the fuzzer every sanitizer report must end the run, so it is kept as a finding.
if(LISTWRIGHT_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "The fuzz targets need clang (use the fuzz preset)")
  endif()
  add_compile_options(-fno-sanitize-recover=all)
  add_link_options(-fno-sanitize-recover=all)
endif()
