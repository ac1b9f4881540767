# Sources of the section, entry and value model, added to the core library.
target_sources(tarncore PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/conversions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/entry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/section.cpp
  ${CMAKE_CURRENT_LIST_DIR}/single_entry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/value.cpp
)
