# SH-2 test programs: assembles .s files with the cross assembler, links each to a raw big-endian
# image and embeds the images in a target as byte arrays, found at run time by file stem through
# sh2_program_find (tests/support/sh2_program.h). Only test targets use this; the program never
# needs the cross tools.

find_program(SH_ELF_AS sh-elf-as REQUIRED)
find_program(SH_ELF_LD sh-elf-ld REQUIRED)
find_program(SH_ELF_OBJCOPY sh-elf-objcopy REQUIRED)

# add_sh2_programs(<target> [BASE <address>] SOURCES <file.s>...)
# BASE is the link address of every program (default 0). A program may .include files from its
# own folder and from the calling CMakeLists' folder; the .inc files of its own folder are
# dependencies of its image.
function(add_sh2_programs target)
  cmake_parse_arguments(ARG "" "BASE" "SOURCES" ${ARGN})
  if(NOT ARG_BASE)
    set(ARG_BASE 0)
  endif()
  set(out_dir "${CMAKE_CURRENT_BINARY_DIR}/sh2/${target}")
  set(generated)
  set(names)
  foreach(src ${ARG_SOURCES})
    get_filename_component(abs "${src}" ABSOLUTE)
    get_filename_component(stem "${src}" NAME_WE)
    get_filename_component(src_dir "${abs}" DIRECTORY)
    file(GLOB includes CONFIGURE_DEPENDS "${src_dir}/*.inc")
    set(obj "${out_dir}/${stem}.o")
    set(elf "${out_dir}/${stem}.elf")
    set(bin "${out_dir}/${stem}.bin")
    set(cpp "${out_dir}/${stem}.cpp")
    add_custom_command(
      OUTPUT "${cpp}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${out_dir}"
      COMMAND ${SH_ELF_AS} --isa=sh2 -big -I "${src_dir}" -I "${CMAKE_CURRENT_SOURCE_DIR}" -o "${obj}"
              "${abs}"
      COMMAND ${SH_ELF_LD} -EB -T "${CB_SH2_LINK_SCRIPT}" --defsym=CB_BASE=${ARG_BASE} -e ${ARG_BASE} --no-warn-rwx-segments
              -o "${elf}" "${obj}"
      COMMAND ${SH_ELF_OBJCOPY} -O binary "${elf}" "${bin}"
      COMMAND ${CMAKE_COMMAND} -DBIN=${bin} -DOUT=${cpp} -DNAME=${stem}
              -P "${CB_SH2_EMBED_SCRIPT}"
      DEPENDS "${abs}" ${includes} "${CB_SH2_EMBED_SCRIPT}" "${CB_SH2_LINK_SCRIPT}"
      COMMENT "Assembling SH-2 program ${stem}"
      VERBATIM)
    list(APPEND generated "${cpp}")
    list(APPEND names "${stem}")
  endforeach()

  # The registry lists every program of this target, so a test finds one by name.
  set(registry "${out_dir}/sh2_registry.cpp")
  set(text "// Generated: the SH-2 programs embedded in ${target}.\n#include \"sh2_program.h\"\n\n")
  foreach(n ${names})
    string(APPEND text "extern const sh2_program sh2_program_${n};\n")
  endforeach()
  string(APPEND text "\nextern const sh2_program* const sh2_program_table[] = {\n")
  foreach(n ${names})
    string(APPEND text "    &sh2_program_${n},\n")
  endforeach()
  string(APPEND text "    nullptr,\n};\n")
  file(GENERATE OUTPUT "${registry}" CONTENT "${text}")

  target_sources(${target} PRIVATE ${generated} "${registry}")
  target_link_libraries(${target} PRIVATE test_support)
endfunction()

set(CB_SH2_EMBED_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/sh2_embed.cmake")
set(CB_SH2_LINK_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/sh2_program.ld")
