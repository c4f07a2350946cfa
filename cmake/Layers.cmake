# Each folder of src is one library. A folder's headers are reachable only
# through the library that owns them: its include root holds nothing but a
# link to the folder itself, and a library sees the roots of what it links.
# An include that runs against the layering (engine <- params <- plugin <-
# host; gui; editor <- gui + plugin; standalone <- everything) therefore fails
# to compile instead of quietly tying the layers together.
function(tine_layer target folder)
  set(root ${CMAKE_BINARY_DIR}/layers/${folder})
  if(NOT IS_SYMLINK ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
