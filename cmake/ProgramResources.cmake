# Compiles a program's resource script with windres and embeds the resulting .res bytes in a
# small library, so that the emulated handset reads exactly the bytes a handset build would use.
#
#   add_program_resources(<name> <rc file> [DEPENDS files...])
# creates the library <name>_resources with
#   std::span<const std::uint8_t> <name>ResourceBytes();
# declared in the generated header <name>_resources.h.

find_program(WINDRES_EXECUTABLE NAMES x86_64-w64-mingw32-windres i686-w64-mingw32-windres windres
             REQUIRED)

function(add_program_resources name rcfile)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  get_filename_component(rc_abs "${rcfile}" ABSOLUTE)
  get_filename_component(rc_dir "${rc_abs}" DIRECTORY)
  set(res "${CMAKE_CURRENT_BINARY_DIR}/${name}.res")
  add_custom_command(
    OUTPUT "${res}"
    COMMAND "${WINDRES_EXECUTABLE}" --preprocessor=cpp --preprocessor-arg=-xc-header
            --preprocessor-arg=-DRC_INVOKED -I "${rc_dir}" -I "${PROJECT_SOURCE_DIR}"
            -i "${rc_abs}" -O res -o "${res}"
    DEPENDS "${rc_abs}" ${ARG_DEPENDS}
    WORKING_DIRECTORY "${rc_dir}"
    COMMENT "Compiling resources ${rcfile}"
    VERBATIM)
  # PE objects (Windows builds) have neither .rodata nor .previous.
  if(WIN32)
    set(data_section ".section .rdata,\\\"dr\\\"")
    set(back_section ".text")
  else()
    set(data_section ".section .rodata")
    set(back_section ".previous")
  endif()
  set(gen_h "${CMAKE_CURRENT_BINARY_DIR}/${name}_resources.h")
  set(gen_cpp "${CMAKE_CURRENT_BINARY_DIR}/${name}_resources.cpp")
  file(WRITE "${gen_h}.in"
"// Generated: the compiled resources of ${name}.
#pragma once
#include <cstdint>
#include <span>
std::span<const std::uint8_t> ${name}ResourceBytes();
")
  configure_file("${gen_h}.in" "${gen_h}" COPYONLY)
  file(WRITE "${gen_cpp}.in"
"// Generated: embeds ${name}.res.
#include \"${name}_resources.h\"
__asm__(\"${data_section}\\n\"
        \".balign 16\\n\"
        \".global ${name}_res_begin\\n\"
        \"${name}_res_begin:\\n\"
        \".incbin \\\"${res}\\\"\\n\"
        \".global ${name}_res_end\\n\"
        \"${name}_res_end:\\n\"
        \".byte 0\\n\"
        \"${back_section}\\n\");
extern \"C\" const std::uint8_t ${name}_res_begin[];
extern \"C\" const std::uint8_t ${name}_res_end[];
std::span<const std::uint8_t> ${name}ResourceBytes() {
  return {${name}_res_begin, static_cast<std::size_t>(${name}_res_end - ${name}_res_begin)};
}
")
  configure_file("${gen_cpp}.in" "${gen_cpp}" COPYONLY)
  set_source_files_properties("${gen_cpp}" PROPERTIES OBJECT_DEPENDS "${res}")
  add_library(${name}_resources STATIC "${gen_cpp}")
  target_include_directories(${name}_resources PUBLIC "${CMAKE_CURRENT_BINARY_DIR}")
endfunction()
