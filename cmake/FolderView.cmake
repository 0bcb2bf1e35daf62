# velra_folder_view(TARGET FOLDER...): the target sees the headers of these folders of src/ (as
# "folder/Header.h") and, through what it links, those of the libraries below it; no others.
# The view is a folder of links in the build tree, so a forbidden include does not compile.
function(velra_folder_view target)
  set(view "${CMAKE_BINARY_DIR}/views/${target}")
  file(MAKE_DIRECTORY "${view}")
  foreach(folder IN LISTS ARGN)
    if(NOT EXISTS "${view}/${folder}")
      file(CREATE_LINK "${PROJECT_SOURCE_DIR}/src/${folder}" "${view}/${folder}" SYMBOLIC)
    endif()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE "${view}")
  else()
    target_include_directories(${target} PUBLIC "${view}")
  endif()
endfunction()
