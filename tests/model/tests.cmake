# Tests of the section, entry and value model, added to the core test binary.
target_sources(tarn_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/conversions_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/entry_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/keyed_collection_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/section_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/entry_line_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/store_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/value_slot_test.cpp
)
