# The tools that run during the build (layout-tool, artgen, zone-table):
# this build's own, or in a cross-build the native build's.
set(NIVARRA_HOST_TOOLS_DIR "" CACHE PATH "Folder of the native build's tools, for cross-builds")

# Sets VAR to the command of tool NAME and VAR_dependency to what a custom
# command that runs it depends on: the target where this build makes the
# tool (its folder must have been read already), else the file in
# NIVARRA_HOST_TOOLS_DIR. Leaves both empty when there is neither.
function(nivarra_build_tool name var)
  if(TARGET ${name})
    set(${var} $<TARGET_FILE:${name}> PARENT_SCOPE)
    set(${var}_dependency ${name} PARENT_SCOPE)
  elseif(NIVARRA_HOST_TOOLS_DIR)
    set(${var} ${NIVARRA_HOST_TOOLS_DIR}/${name} PARENT_SCOPE)
    set(${var}_dependency ${NIVARRA_HOST_TOOLS_DIR}/${name} PARENT_SCOPE)
  else()
    set(${var} "" PARENT_SCOPE)
    set(${var}_dependency "" PARENT_SCOPE)
  endif()
endfunction()
