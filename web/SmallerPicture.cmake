# The page's copy of one picture: the smaller of the two lossless forms, PNG made smaller and
# WebP, under the picture's own name (the library tells them apart by their first bytes). Both
# decode to the original's pixels: WebP keeps even the colour of fully transparent pixels.
#
#   cmake -DFROM=<png> -DTO=<file> -DOPTIPNG=<program> -DCWEBP=<program> -P SmallerPicture.cmake
foreach(var FROM TO OPTIPNG CWEBP)
  if(NOT ${var})
    message(FATAL_ERROR "SmallerPicture.cmake needs -D${var}=...")
  endif()
endforeach()
set(png ${TO}.png.part)
set(webp ${TO}.webp.part)
# optipng keeps a file it would write over as .bak, which would go into the page.
file(REMOVE ${png} ${webp})
execute_process(COMMAND ${OPTIPNG} -quiet -o2 -strip all -clobber -out ${png} ${FROM}
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "optipng could not make ${FROM} smaller")
endif()
execute_process(COMMAND ${CWEBP} -quiet -lossless -exact -z 9 ${FROM} -o ${webp}
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cwebp could not convert ${FROM}")
endif()
file(SIZE ${png} png_size)
file(SIZE ${webp} webp_size)
if(webp_size LESS png_size)
  file(RENAME ${webp} ${TO})
  file(REMOVE ${png})
else()
  file(RENAME ${png} ${TO})
  file(REMOVE ${webp})
endif()
