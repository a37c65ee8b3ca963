# Holds the engine's layers at configure time. Each layer library (declared
# by jet_layer() in jet/CMakeLists.txt, bottom up) owns the headers and
# sources of its folders and files. What a layer's files may include:
#   headers  its own headers, and those of the layers it links PUBLIC
#            (and, through them, of the layers those link PUBLIC);
#   sources  besides, those of the layers it links PRIVATE (and what those
#            show PUBLIC).
# A "jet/" include outside these reaches up or sideways: it stops the
# configuration with a message naming the file, the include and the layer.
#
#   jet_check_layer(<name> FILES <files...> PUBLIC <libs...> PRIVATE <libs...>)
# FILES are the layer's .cpp and .h files (absolute); libraries in PUBLIC and
# PRIVATE that are no engine layer (nlohmann_json::…) are passed over.

# The layers whose headers the libraries after `out` show to those that link
# them: each layer itself and, through its PUBLIC links, theirs.
function(jet_layers_shown out)
  set(shown)
  foreach(lib ${ARGN})
    get_property(own GLOBAL PROPERTY jet_layer_shown_${lib})
    list(APPEND shown ${own})
  endforeach()
  set(${out} ${shown} PARENT_SCOPE)
endfunction()

function(jet_check_layer name)
  cmake_parse_arguments(L "" "" "FILES;PUBLIC;PRIVATE" ${ARGN})
  foreach(file ${L_FILES})
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${file})
    get_property(owner GLOBAL PROPERTY jet_layer_owner_${relative})
    if(owner AND NOT owner STREQUAL name)
      message(FATAL_ERROR "${relative} is in two engine layers: ${owner} and ${name}")
    endif()
    set_property(GLOBAL PROPERTY jet_layer_owner_${relative} ${name})
  endforeach()

  jet_layers_shown(public_shown ${L_PUBLIC})
  set(for_headers ${name} ${public_shown})
  list(REMOVE_DUPLICATES for_headers)
  set_property(GLOBAL PROPERTY jet_layer_shown_${name} ${for_headers})
  jet_layers_shown(private_shown ${L_PRIVATE})
  set(for_sources ${for_headers} ${private_shown})
  list(REMOVE_DUPLICATES for_sources)

  foreach(file ${L_FILES})
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${file})
    if(file MATCHES "\\.h$")
      set(allowed ${for_headers})
    else()
      set(allowed ${for_sources})
    endif()
    list(JOIN allowed " " allowed_text)
    file(STRINGS ${file} includes REGEX "^#include \"jet/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
      get_property(owner GLOBAL PROPERTY jet_layer_owner_${header})
      if(NOT owner)
        message(FATAL_ERROR "${relative} includes ${header}, which belongs to no engine layer declared "
                            "before ${name}: it breaks the layering of ${name} (it may include: ${allowed_text})")
      elseif(NOT owner IN_LIST allowed)
        message(FATAL_ERROR "${relative} includes ${header} of ${owner}: it breaks the layering of ${name} "
                            "(it may include: ${allowed_text})")
      endif()
    endforeach()
  endforeach()
endfunction()
