# The installable layout: programs in PREFIX/bin, libraries in PREFIX/lib, each finding the
# others through a run path relative to itself, so the tree works wherever it is put.
# Installing registers nothing: `ss register` run from PREFIX/bin registers the installed server
# (it names the libsourcesafe.so it runs on), and the host finds the add-in in ../lib.
#
# A new program or library is one more line in these lists.
set(QM_INSTALLED_PROGRAMS
  idehost
  ss
  reg)
set(QM_INSTALLED_LIBRARIES
  quillmoor
  sourcesafe
  qmplatform)
# Programs the add-in starts from the server library's folder: the explorer.
set(QM_INSTALLED_SERVER_PROGRAMS
  ssexp)

foreach(program IN LISTS QM_INSTALLED_PROGRAMS)
  set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
  install(TARGETS ${program} RUNTIME DESTINATION bin)
endforeach()
foreach(library IN LISTS QM_INSTALLED_LIBRARIES)
  set_target_properties(${library} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${library} LIBRARY DESTINATION lib)
endforeach()
foreach(program IN LISTS QM_INSTALLED_SERVER_PROGRAMS)
  set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${program} RUNTIME DESTINATION lib)
endforeach()
install(FILES README.md DESTINATION share/doc/quillmoor)
install(FILES host/SCRIPTING.md DESTINATION share/doc/quillmoor)

# `cmake --build build --target package` builds a Debian package of the same tree. It goes to
# /opt/quillmoor: Debian's iproute2 already owns /usr/bin/ss.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmoor)
set(CPACK_PACKAGE_VENDOR "Quillmoor")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Version-control add-in with its IDE host and SourceSafe server stand-ins")
set(CPACK_PACKAGE_DESCRIPTION
    "The add-in library, the IDE host idehost, the SourceSafe automation server over SQLite \
with its ss tool, and the reg tool for the registry stand-in. Installing registers nothing; \
run /opt/quillmoor/bin/ss register to register the server.")
set(CPACK_PACKAGE_CONTACT "Quillmoor developers <quillmoor@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /opt/quillmoor)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The package's dependencies are read off the installed programs and libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
