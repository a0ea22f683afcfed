# How every target is compiled: the warnings, the sanitizers and fuzzing, the hardening of
# Debian's own packages, and the RPM's static programs. Included by the root CMakeLists.txt before any target.

option(JOBVIGIL_WERROR "Treat compiler warnings as errors" OFF)

# Sanitized builds instrument every target, the program and the tests alike; the fuzz targets
# need clang.
option(JOBVIGIL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(JOBVIGIL_FUZZ "Build the libFuzzer targets in fuzz/ (clang; sanitized)" OFF)
if(JOBVIGIL_SANITIZE OR JOBVIGIL_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(JOBVIGIL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
set(JOBVIGIL_SANITIZED $<OR:$<BOOL:${JOBVIGIL_SANITIZE}>,$<BOOL:${JOBVIGIL_FUZZ}>>)

# The hardening Debian builds its packages with: buffer-overflow checks where the compiler can
# tell sizes (which need optimising), stack protection, and relocations read-only from the start.
if(NOT WIN32 AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-fstack-protector-strong)
  if(NOT JOBVIGIL_SANITIZE AND NOT JOBVIGIL_FUZZ)
    add_compile_options($<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE>
                        $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  endif()
  add_link_options(-Wl,-z,relro,-z,now)
endif()

# Position-independent code, as Debian's compilers make by default and EL builds its own
# programs: the RPM's programs are linked static-pie from the same objects, so that one package
# runs on EL 8's C library (glibc 2.28), older than the one it is built with.
option(JOBVIGIL_RPM "Package an RPM for EL 8 and later (cmake/rpm.cmake), its programs static" OFF)
if(NOT WIN32)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()

function(jobvigil_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wcast-qual
                                           -Wformat=2 -Wundef)
  if(JOBVIGIL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
