# The table over a received log: finding the rows of the raw text and decoding the screenful of
# cells shown after filling, for 100,000 and 1,000,000 lines of the real corpus repeated.
ov_add_benchmark(bench_table ${CMAKE_CURRENT_LIST_DIR}/bench_table.cpp ovviews)
