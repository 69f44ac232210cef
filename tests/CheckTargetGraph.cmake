# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the library graph that tests/CMakeLists.txt writes at configure time
# (one "library:link,link" line each): no library reaches itself through its
# links, and the libraries below the windows link no Qt Widgets.
#   cmake -DGRAPH=<build>/tests/target-graph.txt -P CheckTargetGraph.cmake
cmake_minimum_required(VERSION 3.25)
file(STRINGS ${GRAPH} lines)
set(libraries "")
foreach(line IN LISTS lines)
  string(REGEX MATCH "^([^:]+):(.*)$" matched "${line}")
  list(APPEND libraries ${CMAKE_MATCH_1})
  string(REPLACE "," ";" links_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
endforeach()
if(NOT "DartlineModel" IN_LIST libraries)
  message(FATAL_ERROR "${GRAPH} lists no DartlineModel; it reads:\n${lines}")
endif()

function(visit library path)
  if(library IN_LIST path)
    list(FIND path ${library} first)
    list(SUBLIST path ${first} -1 cycle)
    list(JOIN cycle " -> " cycle)
    message(FATAL_ERROR "link cycle: ${cycle} -> ${library}")
  endif()
  list(APPEND path ${library})
  foreach(link IN LISTS links_${library})
    visit(${link} "${path}")
  endforeach()
endfunction()
foreach(library IN LISTS libraries)
  visit(${library} "")
endforeach()

foreach(library DartlineCore DartlinePlatform DartlineHotKeys DartlineModel)
  if("Qt6::Widgets" IN_LIST links_${library})
    message(FATAL_ERROR "${library} links Qt6::Widgets")
  endif()
endforeach()
message(STATUS "${GRAPH}: no cycle among ${libraries}")
