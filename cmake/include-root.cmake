# nivarra_include_root(TARGET NAME [DIRECTORY DIR] [HEADERS FILE...]):
# TARGET's include directory, a folder of its own in the build tree where
# NAME (`scene`, `platform/gtk`) is a link to the source folder DIR (by
# default the current one). An `#include "scene/x.h"` is then found by the
# targets that link TARGET and by no others, and headers added to the
# folder later are found as they are.
#
# With HEADERS, NAME is a folder holding links to those files of DIR only,
# for a folder several libraries share.
function(nivarra_include_root target name)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "DIRECTORY" "HEADERS")
  set(folder ${CMAKE_CURRENT_SOURCE_DIR})
  if(arg_DIRECTORY)
    cmake_path(ABSOLUTE_PATH arg_DIRECTORY BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} OUTPUT_VARIABLE folder)
  endif()
  set(root ${PROJECT_BINARY_DIR}/include/${target})
  set(link ${root}/${name})
  cmake_path(GET link PARENT_PATH parent)
  file(MAKE_DIRECTORY ${parent})

  if("HEADERS" IN_LIST ARGN)
    if(IS_SYMLINK ${link})
      file(REMOVE ${link})
    endif()
    file(MAKE_DIRECTORY ${link})
    # Links left from an earlier configuration would still be found.
    file(GLOB old_links RELATIVE ${link} ${link}/*)
    foreach(old ${old_links})
      if(NOT old IN_LIST arg_HEADERS)
        file(REMOVE ${link}/${old})
      endif()
    endforeach()
    foreach(header ${arg_HEADERS})
      file(CREATE_LINK ${folder}/${header} ${link}/${header} SYMBOLIC)
    endforeach()
  else()
    if(IS_DIRECTORY ${link} AND NOT IS_SYMLINK ${link})
      file(REMOVE_RECURSE ${link})
    endif()
    file(CREATE_LINK ${folder} ${link} SYMBOLIC)
  endif()

  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
