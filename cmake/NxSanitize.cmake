# NX_SANITIZE=ON builds everything with AddressSanitizer and UndefinedBehaviorSanitizer:
#   cmake -S . -B build-asan -DNX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
#   cmake --build build-asan -j2 && (cd build-asan && QT_QPA_PLATFORM=offscreen ctest -j2)
# Any undefined behaviour aborts the program, so a test notices it. Leak reports are off in the
# tests: Qt and the plug-in loader keep process-lifetime allocations on purpose.
option(NX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(NX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  # Plug-ins are loaded into the instrumented programs: they may use the runtime's symbols.
  set(CMAKE_MODULE_LINKER_FLAGS "${CMAKE_MODULE_LINKER_FLAGS} -fsanitize=address,undefined")
  set(NX_SANITIZER_ENV "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1" "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
else()
  set(NX_SANITIZER_ENV "")
endif()
