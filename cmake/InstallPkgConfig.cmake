# Run by `cmake --install`: writes toveldom.pc for the prefix being installed to. Paths are
# absolute, as pkg-config expects them; a staged install (DESTDIR) is read with
# PKG_CONFIG_SYSROOT_DIR. The run path is added only outside the linker's own directories,
# where a host would otherwise not find the library at run time.
if(IS_ABSOLUTE "${TOVELDOM_PC_LIBDIR}")
    set(libdir "${TOVELDOM_PC_LIBDIR}")
else()
    set(libdir "\${prefix}/${TOVELDOM_PC_LIBDIR}")
endif()
if(IS_ABSOLUTE "${TOVELDOM_PC_INCLUDEDIR}")
    set(includedir "${TOVELDOM_PC_INCLUDEDIR}")
else()
    set(includedir "\${prefix}/${TOVELDOM_PC_INCLUDEDIR}")
endif()
set(prefix "${CMAKE_INSTALL_PREFIX}")
string(REPLACE "\${prefix}" "${prefix}" full_libdir "${libdir}")
set(rpath "")
list(FIND TOVELDOM_PC_SYSTEM_DIRS "${full_libdir}" system)
if(system EQUAL -1)
    set(rpath " -Wl,-rpath,\${libdir}")
endif()
set(version "${TOVELDOM_PC_VERSION}")
configure_file("${TOVELDOM_PC_TEMPLATE}" "${TOVELDOM_PC_SCRATCH}/toveldom.pc" @ONLY)
file(INSTALL DESTINATION "${full_libdir}/pkgconfig" TYPE FILE
     FILES "${TOVELDOM_PC_SCRATCH}/toveldom.pc")
