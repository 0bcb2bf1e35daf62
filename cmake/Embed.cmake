# Compiles files of the source tree into the program (schema, seed data, demo templates), so that
# the binaries work wherever they are copied. velra_embed(TARGET NAME FILE...) generates one
# .cpp per call with a lookup of the files by their path relative to the project root.
function(velra_embed target name)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/embedded_${name}.cpp")
  set(inputs "")
  string(REPLACE ";" "|" files "${ARGN}")
  foreach(f IN LISTS ARGN)
    list(APPEND inputs "${PROJECT_SOURCE_DIR}/${f}")
  endforeach()
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DNAMESPACE=velra::embedded -DROOT=${PROJECT_SOURCE_DIR}
            "-DFILES=${files}" -P "${PROJECT_SOURCE_DIR}/cmake/EmbedScript.cmake"
    DEPENDS ${inputs} "${PROJECT_SOURCE_DIR}/cmake/EmbedScript.cmake"
    COMMENT "Embedding ${name} files"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()
