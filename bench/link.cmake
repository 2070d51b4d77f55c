# Loopback throughput of the socket object: SendData -> DataArrival -> GetData.
ov_add_benchmark(bench_link ${CMAKE_CURRENT_SOURCE_DIR}/bench_link.cpp ovlink)
