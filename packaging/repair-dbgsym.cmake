# Run by CPack once it has made the packages (CPACK_POST_BUILD_SCRIPTS). CPack's package of
# debugging symbols lists its files in md5sums by the paths they had while it was being made,
# and it lacks what Debian's own symbol packages have: their documentation directory, a link
# to the one of the package whose symbols they hold (its copyright and changelog). This puts
# both right.
# The packages are still where CPack made them, before it copies them out.
set(symbol_packages)
foreach(made IN LISTS CPACK_PACKAGE_FILES)
    get_filename_component(where "${made}" DIRECTORY)
    file(GLOB found "${where}/*-dbgsym_*.ddeb")
    list(APPEND symbol_packages ${found})
endforeach()
list(REMOVE_DUPLICATES symbol_packages)
foreach(package IN LISTS symbol_packages)
    set(tree "${package}.tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb -R "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND sh -c "find usr -type f | LC_ALL=C sort | xargs md5sum"
        WORKING_DIRECTORY "${tree}"
        OUTPUT_FILE "${tree}/DEBIAN/md5sums"
        COMMAND_ERROR_IS_FATAL ANY)
    file(READ "${tree}/DEBIAN/control" control)
    string(REGEX MATCH "Package: ([^\n]+)-dbgsym" package_line "${control}")
    file(MAKE_DIRECTORY "${tree}/usr/share/doc")
    file(CREATE_LINK "${CMAKE_MATCH_1}" "${tree}/usr/share/doc/${CMAKE_MATCH_1}-dbgsym" SYMBOLIC)
    execute_process(COMMAND dpkg-deb --root-owner-group -b "${tree}" "${package}"
        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${tree}")
endforeach()
