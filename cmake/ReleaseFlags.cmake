# How every program is compiled and linked so that what we ship passes an IT
# department's look: hardened PE headers, debug information that can be kept
# apart from the executables, and the same bytes from the same sources
# wherever they are built.

# The log is never trimmed: the 32-bit program is large-address aware, so on
# 64-bit Windows it may use 4 GB; the 64-bit one takes high-entropy ASLR
# (the whole 64-bit address space for its bases), which needs no more than
# relocations, as the 32-bit ASLR does.
if(TARROW_ARCH STREQUAL x64)
  set(_msvc_arch_flags /HIGHENTROPYVA)
  set(_ld_arch_flags -Wl,--high-entropy-va)
else()
  set(_msvc_arch_flags /LARGEADDRESSAWARE)
  set(_ld_arch_flags -Wl,--large-address-aware)
endif()

if(MSVC)
  # /Brepro: no time stamps in objects and images. /TSAWARE: no Terminal
  # Server compatibility shims.
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:/Brepro>")
  add_link_options(/Brepro /DYNAMICBASE /NXCOMPAT /TSAWARE ${_msvc_arch_flags}
    # Windows 7 and later; the subsystem itself stays the one of the target.
    "$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:/SUBSYSTEM:$<IF:$<BOOL:$<TARGET_PROPERTY:WIN32_EXECUTABLE>>,WINDOWS,CONSOLE>,6.01>"
    # A PDB for the release build too, named without the build machine's path.
    "$<$<CONFIG:Release>:/DEBUG;/OPT:REF;/OPT:ICF;/PDBALTPATH:%_PDB%>")
else()
  # The folders a tree was checked out and built in leave no trace in the
  # objects (debug information, __FILE__): the same commit built in two
  # places gives the same bytes. Both map into one made-up absolute root, so
  # a debugger joins no relative names wrongly and one substitution
  # (gdb: set substitute-path /tarrow <checkout>) finds every source. GCC
  # applies the last matching map, so the build folder, often inside the
  # sources, comes second.
  add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=/tarrow>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=/tarrow/build>")

  add_link_options(
    -Wl,--dynamicbase
    -Wl,--nxcompat
    -Wl,--tsaware
    ${_ld_arch_flags}
    -Wl,--major-subsystem-version,6
    -Wl,--minor-subsystem-version,1
    # A link time in the header would make every build differ.
    -Wl,--no-insert-timestamp)

  # Static libraries without member time stamps, owners or modes.
  foreach(lang C CXX)
    set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
  endforeach()
endif()

# What ships is built with full debug information, in release builds too:
# scripts/package strips it off into a symbols archive of its own, for
# reading a crash report later. Only the given programs and what is linked
# into them: debug information in every test program would make the build
# half as slow again.
function(tarrow_debug_info_for)
  if(MSVC)
    set(option /Zi)
  else()
    set(option -g)
  endif()
  set(pending ${ARGN})
  set(seen)
  while(pending)
    list(POP_FRONT pending target)
    if(NOT TARGET ${target})
      continue()
    endif()
    get_target_property(aliased ${target} ALIASED_TARGET)
    if(aliased)
      set(target ${aliased})
    endif()
    get_target_property(imported ${target} IMPORTED)
    if(imported OR target IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${target})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(deps ${target} INTERFACE_LINK_LIBRARIES)
    else()
      get_target_property(deps ${target} LINK_LIBRARIES)
      set_property(TARGET ${target} APPEND PROPERTY COMPILE_OPTIONS
        "$<$<AND:$<CONFIG:Release>,$<COMPILE_LANGUAGE:C,CXX>>:${option}>")
    endif()
    if(deps)
      list(APPEND pending ${deps})
    endif()
  endwhile()
endfunction()
