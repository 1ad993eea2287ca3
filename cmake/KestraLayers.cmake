# Layers: each library sees only the folders of the libraries it links.
#
# kestra_include_root(<target> <folder>) gives <target> an include root of its own in the build tree
# that holds just <folder> (a link to the source folder), and exports it. A file therefore resolves
# "link/WorkerChannel.h" only when its target links the library whose root holds link/, and including a
# layer that the target does not link fails to compile. cmake/layers.txt states which layer may use
# which; the configure step checks every include against it (cmake/CheckLayers.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake)

function(kestra_include_root target folder)
  set(root ${CMAKE_BINARY_DIR}/include-roots/${target})
  set(link ${root}/${folder})
  get_filename_component(parent ${link} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT IS_SYMLINK ${link})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${link} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${root}>)
endfunction()

function(kestra_require_layers)
  kestra_check_layers(${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/cmake/layers.txt violations)
  if(violations)
    list(JOIN violations "\n  " text)
    message(FATAL_ERROR "Includes that break the layers (cmake/layers.txt):\n  ${text}")
  endif()
endfunction()
