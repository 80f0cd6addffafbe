# The artwork compiled into krv_resources: icons 0 to 28 as ":/icons/<n>.svg", the logo as
# ":/data/0" and the grey and coloured battery as ":/data/1" and ":/data/2". The pictures are
# made by tools/artwork (korvane-artwork) and kept in the tree, so the build does not run it.
# On a static library qt_add_resources builds an object library that every executable linking
# krv_resources takes in whole, so the resources register themselves without an init call.
set(krv_artwork_files)
foreach(icon RANGE 0 28)
  list(APPEND krv_artwork_files icons/${icon}.svg)
endforeach()

set(krv_pictures pictures/logo.gif pictures/battery-grey.jpg pictures/battery-colour.jpg)
set(krv_picture_number 0)
foreach(picture IN LISTS krv_pictures)
  set_source_files_properties(${picture} PROPERTIES QT_RESOURCE_ALIAS data/${krv_picture_number})
  math(EXPR krv_picture_number "${krv_picture_number} + 1")
endforeach()
list(APPEND krv_artwork_files ${krv_pictures})

qt_add_resources(krv_resources "artwork" PREFIX / FILES ${krv_artwork_files})
