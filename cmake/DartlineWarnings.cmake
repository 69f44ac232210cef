# SPDX-License-Identifier: GPL-3.0-or-later
# Project-wide compile settings, applied to every Dartline target through
# dartline_target_settings().

add_library(dartline_settings INTERFACE)
# One include root: every include names its folder ("platform/Platform.h").
target_include_directories(dartline_settings INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(dartline_settings INTERFACE
  -Wall -Wextra -Wshadow -Wold-style-cast -Wnon-virtual-dtor)
if(DARTLINE_WERROR)
  target_compile_options(dartline_settings INTERFACE -Werror)
endif()
target_compile_definitions(dartline_settings INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  DARTLINE_VERSION="${PROJECT_VERSION}")
if(DARTLINE_SANITIZE)
  target_compile_options(dartline_settings INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(dartline_settings INTERFACE -fsanitize=address,undefined)
endif()

function(dartline_target_settings target)
  target_link_libraries(${target} PRIVATE dartline_settings)
endfunction()
