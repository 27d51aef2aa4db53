# The browser edition, built with Debian's emscripten:
#   cmake -S . -B build-web -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
# (`make web` does it). The arithmetic flags are the native build's
# (-ffp-contract=off, never fast-math), so the same input gives the same bits.

# A malformed input is an exception that the console turns into a message;
# without WebAssembly exceptions it would end the program.
set(TESSARO_WEB_EXCEPTIONS -fwasm-exceptions CACHE STRING "How exceptions are built")
add_compile_options(${TESSARO_WEB_EXCEPTIONS})
# WebAssembly SIMD: the vector types of the solvers map to its 128-bit lanes.
# Nothing is reordered or fused, so the results are those of scalar code.
add_compile_options(-msimd128)
add_link_options(${TESSARO_WEB_EXCEPTIONS})

# emcc's JavaScript tools need Debian's node modules (acorn) at link time.
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "env NODE_PATH=/usr/share/nodejs")

# node runs the node build; 3.1.6's loader takes a fetch() it finds for the
# browser's, which node 18 and 20 offer.
find_program(TESSARO_NODE node REQUIRED)
set(TESSARO_NODE_COMMAND ${TESSARO_NODE} --no-experimental-fetch)

# The heap may grow to 2 GB: every browser that runs WebAssembly SIMD and
# exceptions grants that much to a page, while 4 GB is not granted
# everywhere. A normal matrix may take a quarter of it (shell/memory_bound.h).
set(TESSARO_WEB_MEMORY -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=32MB -sMAXIMUM_MEMORY=2GB)
enable_testing()
