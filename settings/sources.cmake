# The settings' part of zph_model (model/CMakeLists.txt): the material entity, its
# notification, the texture size limit and the XML image references.
set(sources
  Material.cpp
  MaterialNotification.cpp
  TextureSizeLimit.cpp
  XMLImageReference.cpp)
