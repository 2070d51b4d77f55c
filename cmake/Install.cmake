# Where `cmake --install` puts things, below the prefix:
#   bin/ovclient                     a launcher that starts the console in its own folder
#   bin/ovservice                    the log service, for the web server's machine
#   lib/orvalen/                     the console with what it finds beside itself: ovclient.ini
#                                    (defaults), reference.txt, geodata/ (when it has been built)
#   lib/systemd/system/ovservice.service   the service's unit
#   share/applications, share/icons  the desktop entry and its icon
#   share/doc/orvalen/               the third-party credits and licences
# The console looks for its files in the folder of the program itself (applicationDirPath),
# which is why it has a folder of its own and a launcher on the PATH.
set(OV_INSTALL_PROGRAM_DIR lib/orvalen)
set(OV_INSTALL_DOC_DIR share/doc/orvalen)
set(OV_INSTALL_UNIT_DIR lib/systemd/system)

# ov_install_configured(TEMPLATE DESTINATION [RENAME NAME] [PROGRAM]): installs the file TEMPLATE
# (named NAME, or its own name less ".in") into DESTINATION below the prefix, with @OV_PREFIX@ and
# @OV_INSTALL_PROGRAM_DIR@ replaced. The prefix is only known at install time
# (`cmake --install --prefix P`), so the file is made then. PROGRAM makes it executable.
function(ov_install_configured template destination)
  cmake_parse_arguments(arg "PROGRAM" "RENAME" "" ${ARGN})
  get_filename_component(name ${template} NAME)
  string(REGEX REPLACE "\\.in$" "" name ${name})
  if(arg_RENAME)
    set(name ${arg_RENAME})
  endif()
  set(permissions OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  if(arg_PROGRAM)
    list(APPEND permissions OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
  endif()
  # Made in the build tree, in a folder of each destination's own, since the test of the package
  # may install while someone else does.
  install(CODE "
    set(OV_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    set(OV_INSTALL_PROGRAM_DIR \"${OV_INSTALL_PROGRAM_DIR}\")
    string(MD5 where \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    set(made \"${CMAKE_CURRENT_BINARY_DIR}/install-time/\${where}/${name}\")
    configure_file(\"${template}\" \"\${made}\" @ONLY)
    file(INSTALL \"\${made}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${destination}\"
         PERMISSIONS ${permissions})")
endfunction()

# The geodata, when it has been built (scripts/geodata.sh, run by ./run.sh), with its licence
# and credits also among the documents.
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/geodata DESTINATION ${OV_INSTALL_PROGRAM_DIR} OPTIONAL
        PATTERN ".*" EXCLUDE)
install(FILES ${CMAKE_BINARY_DIR}/bin/geodata/LICENSE-DB-IP.txt
              ${CMAKE_BINARY_DIR}/bin/geodata/ATTRIBUTION.txt
        DESTINATION ${OV_INSTALL_DOC_DIR}/geodata OPTIONAL)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/THIRD_PARTY.md
        DESTINATION ${OV_INSTALL_DOC_DIR})

# Installing never builds: `cmake --install` never did, and CPack (scripts/package.sh builds
# first) then packages the tree as it is, which keeps the package test quick.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
