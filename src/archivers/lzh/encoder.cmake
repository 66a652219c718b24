# The LZH compressor (-lh5-, -lh6-, -lh7-): plain C++, no Qt, no dependency on the program.
add_library(qb_lzh_encoder STATIC
  ${CMAKE_CURRENT_LIST_DIR}/lzh_encode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lzh_enc_block.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lzh_enc_optimal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lzh_enc_plan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lzh_enc_split.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lzh_huff.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lzh_match.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lzh_match_bt.cpp)
target_include_directories(qb_lzh_encoder PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_features(qb_lzh_encoder PUBLIC cxx_std_20)
set_target_properties(qb_lzh_encoder PROPERTIES POSITION_INDEPENDENT_CODE ON)
# Compression speed matters even in debug builds of the program.
target_compile_options(qb_lzh_encoder PRIVATE -O2)
