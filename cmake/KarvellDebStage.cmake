# Run by CPack on the staged files before they are packed: Debian's programs and libraries
# carry no library search path (the system's folders are searched anyway), so the one a build
# for another prefix gave them goes.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
    if(IS_SYMLINK "${file}")
        continue()
    endif()
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46") # ELF
        file(RPATH_REMOVE FILE "${file}")
    endif()
endforeach()
