# The sources include a header by its path in the tree ("records/checked.h"),
# yet a target sees only its own headers and those of the targets it links:
# each target exposes ${CMAKE_BINARY_DIR}/include/<target>, which holds a
# link to its folder under the folder's name. An include that goes the wrong
# way (records including "transfer/postings.h") finds no such file.
#
# dext_expose_folder(<target> <folder> [AS <name>])
#   <folder> (relative to the top of the tree) is included as <name>/...,
#   by default as <folder>/....
# dext_expose_headers(<target> <folder> <header>...)
#   only the listed headers of <folder>, for a folder whose other headers
#   belong to other targets (toolkit/ holds the front ends' folders,
#   session/ holds Main, which sits above the transfer).

# A fresh ${CMAKE_BINARY_DIR}/include/<target>; links inside it are removed,
# never followed.
function(dext_include_root target out)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL INTERFACE_LIBRARY)
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

function(dext_expose_folder target folder)
  cmake_parse_arguments(ARG "" "AS" "" ${ARGN})
  set(name ${folder})
  if(ARG_AS)
    set(name ${ARG_AS})
  endif()
  if(NOT IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${folder})
    message(FATAL_ERROR "dext_expose_folder(${target}): no folder ${folder}")
  endif()
  dext_include_root(${target} root)
  get_filename_component(parent ${root}/${name} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${name} SYMBOLIC)
endfunction()

function(dext_expose_headers target folder)
  dext_include_root(${target} root)
  file(MAKE_DIRECTORY ${root}/${folder})
  foreach(header ${ARGN})
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${folder}/${header})
      message(FATAL_ERROR "dext_expose_headers(${target}): no header ${folder}/${header}")
    endif()
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder}/${header} ${root}/${folder}/${header} SYMBOLIC)
  endforeach()
endfunction()
