# Run as a script (cmake -DSOURCE=... -DTARGET=... -P): makes TARGET the program's assets folder
# in the build tree. Each entry of SOURCE (the source tree's assets) is linked into it, except
# the audio engine's folder "vexa", which is a real folder whose files are linked one by one, so
# that the music project built from sound/ can sit beside them. Links whose source has gone are
# removed; files the build made are kept.
cmake_minimum_required(VERSION 3.25)

function(link_entries from to)
  file(GLOB entries RELATIVE ${from} ${from}/*)
  foreach(name ${entries})
    if(name STREQUAL "vexa" AND to STREQUAL TARGET)
      continue()
    endif()
    set(link ${to}/${name})
    if(IS_SYMLINK ${link})
      file(READ_SYMLINK ${link} points)
      if(points STREQUAL "${from}/${name}")
        continue()
      endif()
      file(REMOVE ${link})
    endif()
    if(NOT EXISTS ${link})
      file(CREATE_LINK ${from}/${name} ${link} SYMBOLIC)
    endif()
  endforeach()
  # Links into the source tree that lead nowhere now.
  file(GLOB made RELATIVE ${to} ${to}/*)
  foreach(name ${made})
    if(IS_SYMLINK ${to}/${name} AND NOT EXISTS ${from}/${name})
      file(REMOVE ${to}/${name})
    endif()
  endforeach()
endfunction()

# An older build linked the whole folder: the link goes (the source stays untouched).
if(IS_SYMLINK ${TARGET})
  file(REMOVE ${TARGET})
endif()
file(MAKE_DIRECTORY ${TARGET}/vexa)
link_entries(${SOURCE} ${TARGET})
if(IS_DIRECTORY ${SOURCE}/vexa)
  link_entries(${SOURCE}/vexa ${TARGET}/vexa)
endif()
