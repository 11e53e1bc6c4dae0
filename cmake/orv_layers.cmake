# The include folders of the layers. Every source names its headers from the
# top of the tree ("platform/window.h", "framework/orvlib.h"), so a layer's
# include folder is a view in the build tree that holds only what that layer
# may see: links to its own folder and, through the libraries it links, the
# views of the layers below. An include of a layer above, or of a framework
# header that is not part of its interface upwards, is not found.
set(ORV_LAYER_VIEWS ${CMAKE_BINARY_DIR}/layers)

# orv_layer_view(VIEW ENTRY...): the folder ${ORV_LAYER_VIEWS}/VIEW with a
# link for each ENTRY, a folder or file given relative to the source root.
function(orv_layer_view view)
  foreach(entry ${ARGN})
    set(link ${ORV_LAYER_VIEWS}/${view}/${entry})
    get_filename_component(parent ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT EXISTS ${CMAKE_SOURCE_DIR}/${entry})
      message(FATAL_ERROR "orv_layer_view: ${entry} does not exist")
    endif()
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${entry} ${link} SYMBOLIC)
  endforeach()
endfunction()

file(REMOVE_RECURSE ${ORV_LAYER_VIEWS})
orv_layer_view(platform platform)
orv_layer_view(framework framework)
orv_layer_view(imaging imaging)
orv_layer_view(composer composer)
