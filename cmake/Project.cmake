# Compiler settings shared by every target of the project.

set(TLS_WARNINGS -Wall -Wextra -Werror -Wshadow -Wformat=2 -Wundef)
set(TLS_IS_WINDOWS OFF)
if(TLS_TARGET STREQUAL "win64" OR TLS_TARGET STREQUAL "win32")
  set(TLS_IS_WINDOWS ON)
endif()

# Every executable and DLL lands in one folder, so that test programs find the
# programs they drive beside themselves.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

if(TLS_TARGET STREQUAL "native")
  set(TLS_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${TLS_SANITIZE})
  add_link_options(${TLS_SANITIZE})
else()
  # Fully static: no libstdc++, libgcc or winpthread DLLs beside the programs.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(NOMINMAX)
endif()

# The 32-bit programs run on every PC that runs Windows 95: from the 80386
# with its 80387 on (the compiler's default, -march=pentiumpro, emits cmov,
# which no 386, 486, Pentium or K6 has; scripts/check-release refuses any
# instruction newer than the 386 and 387 in the release set). Tuned for the
# 486, the floor of NT 4.0 and the processor of many Windows 95 machines: a
# fixed model that does not move with compiler releases as "generic" does,
# and of i386, i486, pentium and generic the one with the smallest code.
set(TLS_WIN32_ARCH_OPTIONS -march=i386 -mtune=i486)
if(TLS_TARGET STREQUAL "win32")
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:${TLS_WIN32_ARCH_OPTIONS}>")
endif()

# The build time, the one time that the build records (the programs' PE
# headers, the distribution set's files and diskette images): the
# SOURCE_DATE_EPOCH of the environment when set, otherwise the time of the
# last commit, otherwise 2000-01-01 00:00:00 UTC. The same commit thus gives
# the same bytes on every machine and at every hour.
set(TLS_BUILD_TIME "")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(TLS_BUILD_TIME "$ENV{SOURCE_DATE_EPOCH}")
else()
  find_program(TLS_GIT git)
  if(TLS_GIT)
    execute_process(COMMAND ${TLS_GIT} -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE TLS_BUILD_TIME OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
endif()
if(NOT TLS_BUILD_TIME MATCHES "^[0-9]+$")
  set(TLS_BUILD_TIME 946684800)
endif()
if(TLS_IS_WINDOWS)
  # GNU ld writes SOURCE_DATE_EPOCH into the PE header (and the export and
  # resource directories) in place of the link time.
  set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TLS_BUILD_TIME})
  set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TLS_BUILD_TIME})
endif()

# The 32-bit release code, small for the era's diskettes and memory.
# Windows keeps the 32-bit stack 4-byte aligned, and nothing in the
# programs needs more (no SSE on a 386): the compiler's 16-byte default
# costs an adjustment of the stack around many calls. The executables are
# optimised over the whole program at the link (one partition, so that the
# output does not depend on how the work is split): their sources then share
# repeated texts and small functions, and code that only one place calls
# goes into it. The libraries are not: the linker (binutils 2.40) crashes on
# theirs.
set(TLS_WIN32_CODE_OPTIONS -fno-asynchronous-unwind-tables -fno-unwind-tables
    -mpreferred-stack-boundary=2 -malign-data=abi -Oz)
set(TLS_WIN32_LTO_OPTIONS -flto -flto-partition=one -ffat-lto-objects)

# tls_program_options(target): settings of the shipped programs' own code.
# On Windows every function gets a section of its own, so that the linker
# drops what the programs never use (not every datum: the linker's default
# script would put the -fdata-sections .bss$* sections into .data, as zeros
# in the file); the 32-bit code has no unwind tables (no exceptions, and
# nothing reads them). NO_LTO: code that a library links (a library
# target is recognised by itself).
function(tls_program_options target)
  cmake_parse_arguments(arg "NO_LTO" "" "" ${ARGN})
  target_compile_options(${target} PRIVATE ${TLS_WARNINGS}
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
  if(TLS_IS_WINDOWS)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections>)
  endif()
  if(TLS_TARGET STREQUAL "win32")
    get_target_property(type ${target} TYPE)
    set(options ${TLS_WIN32_CODE_OPTIONS})
    if(NOT arg_NO_LTO AND NOT type STREQUAL "SHARED_LIBRARY")
      list(APPEND options ${TLS_WIN32_LTO_OPTIONS})
    endif()
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:${options}>)
  endif()
endfunction()

if(TLS_IS_WINDOWS)
  # The build host's Python 3, for the build steps written in it (Debian's
  # first: the package's assets need its python3-fonttools).
  find_program(TLS_SYSTEM_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
  if(NOT TLS_SYSTEM_PYTHON)
    find_program(TLS_SYSTEM_PYTHON NAMES python3 REQUIRED)
  endif()
  # libgcc's static helpers (___chkstk_ms for large stack frames) after every
  # library, for the programs linked without the compiler's default libraries.
  set(CMAKE_C_STANDARD_LIBRARIES "${CMAKE_C_STANDARD_LIBRARIES} -lgcc")
  set(CMAKE_CXX_STANDARD_LIBRARIES "${CMAKE_CXX_STANDARD_LIBRARIES} -lgcc")
endif()

# tls_shipped_program(target): the shipped programs (TLSETUP.EXE, TLDELET.EXE,
# ZEROZ32.DLL, the installer's test variant, and the package's companion
# programs and driver library) link no C runtime and no
# libstdc++: Windows 95 as released has no MSVCRT.DLL. Our own entry point and
# memory and string functions (common/runtime/runtime_win.cpp) stand in for
# them; the DLL's entry point is its DllMain. They ask for Windows 4.0, carry
# no TLS directory, drop unused sections and, being executables, no
# relocations (the DLL keeps its own: it may not load at its preferred base).
function(tls_shipped_program target)
  cmake_parse_arguments(arg "NO_LTO" "" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:tls_runtime_dll>)
  else()
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:tls_runtime>)
  endif()
  target_link_options(${target} PRIVATE -nostdlib -Wl,--gc-sections
    -Wl,--major-subsystem-version,4,--minor-subsystem-version,0,--major-os-version,4,--minor-os-version,0)
  if(TLS_TARGET STREQUAL "win32")
    set(prefix _)
    set(dll_entry _DllMain@12)
    if(arg_NO_LTO)
      target_link_options(${target} PRIVATE -fno-lto)
    elseif(NOT type STREQUAL "SHARED_LIBRARY")
      # The link compiles the program's code, with the options it was
      # compiled with. libgcc's stack probe is named from the start: the
      # linker (binutils 2.40) crashes when the optimised code is the first
      # to ask for it.
      target_link_options(${target} PRIVATE ${TLS_WIN32_ARCH_OPTIONS}
        ${TLS_WIN32_CODE_OPTIONS} ${TLS_WIN32_LTO_OPTIONS} -Wl,-u,___chkstk_ms)
    endif()
  else()
    set(prefix "")
    set(dll_entry DllMain)
  endif()
  if(type STREQUAL "SHARED_LIBRARY")
    # The library exports nothing by name; without this the linker would
    # export every function of ours, the run-time support's included.
    target_link_options(${target} PRIVATE -Wl,-e,${dll_entry} -Wl,--exclude-all-symbols)
  else()
    # The linker builds a relocation table for any executable that exports
    # names (ours export their window procedures), so it is removed after
    # the link; it is the image's last section, and strip rewrites the
    # headers to match.
    target_link_options(${target} PRIVATE -Wl,-e,${prefix}ProgramEntry
      -Wl,--disable-reloc-section -Wl,--disable-dynamicbase)
    # strip writes the header's time stamp anew: the build time, as the link's.
    # It leaves the header's IMAGE_FILE_RELOCS_STRIPPED flag clear, as the
    # linker wrote it for the image with its table; pe_relocs_stripped.py
    # sets it, so that no loader takes the image for one it can move.
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TLS_BUILD_TIME}
              ${CMAKE_STRIP} --remove-section=.reloc $<TARGET_FILE:${target}>
      COMMAND ${TLS_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/cmake/pe_relocs_stripped.py $<TARGET_FILE:${target}>
      VERBATIM)
  endif()
endfunction()

# tls_run_from_swap(target): the image runs from the first diskette while the
# user swaps in the others: its header asks Windows to run it from the paging
# file, not from the medium (set after the link, as the linker cannot).
function(tls_run_from_swap target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${TLS_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/cmake/pe_run_from_swap.py $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

# tls_windows_program(name SOURCES src... LIBRARIES lib... [RUN_FROM_SWAP]):
# one of the shipped programs, linked as tls_shipped_program describes and
# stripped of its symbols (it ships on a diskette).
function(tls_windows_program name)
  cmake_parse_arguments(arg "RUN_FROM_SWAP;NO_LTO" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} WIN32 ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES})
  target_link_options(${name} PRIVATE -s)
  if(TLS_TARGET STREQUAL "win32")
    target_link_options(${name} PRIVATE -Wl,--kill-at)
  endif()
  set(no_lto "")
  if(arg_NO_LTO)
    set(no_lto NO_LTO)
  endif()
  tls_program_options(${name} ${no_lto})
  tls_shipped_program(${name} ${no_lto})
  if(arg_RUN_FROM_SWAP)
    tls_run_from_swap(${name})
  endif()
  set_target_properties(${name} PROPERTIES TLS_PROGRAM_SOURCES "${arg_SOURCES}"
    TLS_PROGRAM_LIBRARIES "${arg_LIBRARIES}" TLS_RUN_FROM_SWAP "${arg_RUN_FROM_SWAP}")
endfunction()

# tls_test_variant(name OF program [STAND_INS src...] [RC_DEFINITIONS def...]):
# a test variant of a shipped program, built as the program is with its
# stand-ins added (files that define an import slot, see
# tests/machine/import_slot.h, or one of the program's own bounds in place of
# the system's or the program's) and its resources compiled with the
# definitions given. Never shipped: the release tree keeps it out of its bin
# folder, in test-only/.
function(tls_test_variant name)
  cmake_parse_arguments(arg "" "OF" "STAND_INS;RC_DEFINITIONS" ${ARGN})
  get_target_property(sources ${arg_OF} TLS_PROGRAM_SOURCES)
  get_target_property(libraries ${arg_OF} TLS_PROGRAM_LIBRARIES)
  get_target_property(from_swap ${arg_OF} TLS_RUN_FROM_SWAP)
  set(swap "")
  if(from_swap)
    set(swap RUN_FROM_SWAP)
  endif()
  # Linked without the whole-program optimisation, from the libraries'
  # ordinary code: a stand-in takes an import slot's place only where the
  # compiled code names the slot itself.
  tls_windows_program(${name} SOURCES ${sources} ${arg_STAND_INS} LIBRARIES ${libraries} ${swap} NO_LTO)
  if(TLS_TARGET STREQUAL "win32")
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-only)
  endif()
  if(arg_RC_DEFINITIONS)
    target_compile_definitions(${name} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${arg_RC_DEFINITIONS}>)
  endif()
endfunction()

# tls_test_options(target): settings of test programs (exceptions allowed).
function(tls_test_options target)
  target_compile_options(${target} PRIVATE ${TLS_WARNINGS})
endfunction()

# GoogleTest from Debian's source package, built with our own compiler.
set(TLS_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
function(tls_add_gtest)
  if(TARGET gtest)
    return()
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  if(TLS_IS_WINDOWS)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  endif()
  add_subdirectory(${TLS_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endfunction()

if(TLS_TARGET STREQUAL "win64")
  # The end-to-end tests and the demo run twice: on this tree's x86_64
  # programs and on the shipped 32-bit release set of the win32 preset's tree.
  set(TLS_WIN32_BUILD_DIR ${CMAKE_SOURCE_DIR}/build/win32 CACHE PATH
      "build tree of the win32 preset, whose 32-bit programs and distribution set the end-to-end tests also run")
  # The 32-bit programs run through Wine's WoW64 and, where the kernel runs
  # no 32-bit ELF programs, its 32-bit loader under qemu: their tests' time
  # limits, and the bounds of the robot's waits in them, are this share of
  # the x86_64 runs' (the one place this is set).
  set(TLS_WIN32_TIMEOUT_PERCENT 150)
  set(TLS_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/wine-template)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh --template ${TLS_WINE_TEMPLATE}
      --seed ${CMAKE_BINARY_DIR}/bin/seed_machine.exe --)
endif()

# tls_add_wine_tests(target [TIMEOUT s] [BOTH_BUILDS | ONE_SESSION]): one
# ctest entry per TEST() of a GoogleTest program, each in a Wine prefix and
# display of its own. ONE_SESSION: one entry, named after the program, that
# runs every TEST() in a process of its own in one Wine session, the C: drive
# put back and the machine seeded again between them (TLS_WINE_CASES in
# cmake/wine-run.sh); TIMEOUT is then each case's share of the entry's.
# The time limit is also the entry's cost: ctest starts the costliest first,
# so that a parallel run does not end on one long scenario (once it has run,
# ctest goes by the times it measured).
# BOTH_BUILDS (the end-to-end tests): every TEST() runs twice, as NAME.win64
# on this tree's x86_64 programs and as NAME.win32 on the shipped 32-bit
# release set of TLS_WIN32_BUILD_DIR (labels win64 and win32).
function(tls_add_wine_tests target)
  cmake_parse_arguments(arg "BOTH_BUILDS;ONE_SESSION" "TIMEOUT" "" ${ARGN})
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 240)
  endif()
  get_target_property(sources ${target} SOURCES)
  set(names)
  foreach(src ${sources})
    get_filename_component(abs ${src} ABSOLUTE ${CMAKE_CURRENT_SOURCE_DIR})
    file(STRINGS ${abs} lines REGEX "^[ \t]*(TEST|TEST_F)\\(")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*TEST(_F)?\\(([A-Za-z0-9_]+), *([A-Za-z0-9_]+)\\).*" "\\2.\\3" name "${line}")
      list(APPEND names ${name})
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${abs})
  endforeach()
  if(arg_ONE_SESSION)
    list(LENGTH names count)
    math(EXPR timeout "${arg_TIMEOUT} + 10 * ${count}")
    list(JOIN names " " cases)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES TIMEOUT ${timeout} COST ${timeout} LABELS wine
      ENVIRONMENT "TLS_WINE_CASES=${cases}")
    return()
  endif()
  foreach(name ${names})
    if(arg_BOTH_BUILDS)
      tls_add_test_on_both_builds(${target}.${name} ${arg_TIMEOUT} ${target} --gtest_filter=${name})
    else()
      add_test(NAME ${target}.${name} COMMAND ${target} --gtest_filter=${name})
      set_tests_properties(${target}.${name} PROPERTIES TIMEOUT ${arg_TIMEOUT} COST ${arg_TIMEOUT} LABELS wine)
    endif()
  endforeach()
endfunction()

# tls_add_test_on_both_builds(name timeout command...): the test NAME.win64 on
# this tree's programs and NAME.win32 on the 32-bit release set; the test
# programs learn which from TLS_UNDER_TEST* (tests/robot/under_test.h).
function(tls_add_test_on_both_builds name timeout)
  add_test(NAME ${name}.win64 COMMAND ${ARGN})
  set_tests_properties(${name}.win64 PROPERTIES TIMEOUT ${timeout} COST ${timeout} LABELS "wine;win64"
    ENVIRONMENT "TLS_UNDER_TEST=win64")
  add_test(NAME ${name}.win32 COMMAND ${ARGN})
  math(EXPR timeout32 "${timeout} * ${TLS_WIN32_TIMEOUT_PERCENT} / 100")
  set_tests_properties(${name}.win32 PROPERTIES TIMEOUT ${timeout32} COST ${timeout32} LABELS "wine;win32"
    ENVIRONMENT "TLS_UNDER_TEST=win32;TLS_TIMEOUT_PERCENT=${TLS_WIN32_TIMEOUT_PERCENT};TLS_UNDER_TEST_BIN=${TLS_WIN32_BUILD_DIR}/bin;TLS_UNDER_TEST_OFFER=${TLS_WIN32_BUILD_DIR}/test-only/tlsetup_offer.exe;TLS_UNDER_TEST_DIST=${TLS_WIN32_BUILD_DIR}/dist")
endfunction()

# tls_target_interface(): the shipped code compiles against the interface of
# Windows 95 and NT 4.0, the oldest systems it runs on, so that a constant or
# function of a later Windows does not compile (without these the headers
# describe Windows 10, whose QS_ALLINPUT carries wake bits that every Windows
# before 8 refuses). What the code needs of a later system it looks up at run
# time. The setting belongs to the source files, not to a target: the test
# programs compile some of the programs' sources themselves and must test
# them as they ship, while their own code may use what Wine offers. Called
# once, after every target is defined.
set(TLS_TARGET_INTERFACE WINVER=0x0400 _WIN32_WINDOWS=0x0400 _WIN32_WINNT=0x0400)
set(TLS_SHIPPED_SOURCE_DIRS common setup uninstall percent package/programs)
function(tls_target_interface)
  if(NOT TLS_IS_WINDOWS)
    return()
  endif()
  set(pattern "")
  foreach(dir ${TLS_SHIPPED_SOURCE_DIRS})
    list(APPEND pattern "${CMAKE_SOURCE_DIR}/${dir}/")
  endforeach()
  set(dirs ${CMAKE_SOURCE_DIR})
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${subdirs})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
      get_target_property(type ${target} TYPE)
      if(NOT type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|STATIC_LIBRARY|OBJECT_LIBRARY|MODULE_LIBRARY)$")
        continue()
      endif()
      get_target_property(sources ${target} SOURCES)
      get_target_property(target_dir ${target} SOURCE_DIR)
      foreach(src ${sources})
        if(src MATCHES "^\\$<" OR NOT src MATCHES "\\.(c|cpp)$")
          continue()
        endif()
        get_filename_component(abs ${src} ABSOLUTE BASE_DIR ${target_dir})
        foreach(prefix ${pattern})
          string(FIND "${abs}" "${prefix}" at)
          if(at EQUAL 0)
            get_property(defs SOURCE ${abs} TARGET_DIRECTORY ${target} PROPERTY COMPILE_DEFINITIONS)
            if(NOT "WINVER=0x0400" IN_LIST defs)
              set_property(SOURCE ${abs} TARGET_DIRECTORY ${target} APPEND PROPERTY
                           COMPILE_DEFINITIONS ${TLS_TARGET_INTERFACE})
            endif()
            break()
          endif()
        endforeach()
      endforeach()
    endforeach()
  endwhile()
endfunction()
