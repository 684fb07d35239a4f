# nivarra_embed_library(TARGET FUNCTION COMMENT FILE...): a static library
# TARGET whose nivarra::FUNCTION() hands out the bytes of the files, in
# their order (cmake/embed-files.cmake writes its source at build time).
function(nivarra_embed_library target function comment)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}.cpp)
  string(JOIN "|" files_arg ${ARGN})
  add_custom_command(OUTPUT ${source}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${source} -DFUNCTION=${function} -DFILES=${files_arg}
            -P ${PROJECT_SOURCE_DIR}/cmake/embed-files.cmake
    DEPENDS ${ARGN} ${PROJECT_SOURCE_DIR}/cmake/embed-files.cmake
    COMMENT "${comment}"
    VERBATIM)
  add_library(${target} STATIC ${source})
endfunction()
