# Writes the licence shown in the about dialog: our own statement, followed by
# the GUST Font License text as the font package states it in its copyright
# file, when that file is installed.
#
#   cmake -DSTATEMENT=<license.txt> -DFONT_COPYRIGHT=<copyright file> -DOUTPUT=<file> -P AssembleLicense.cmake

file(READ ${STATEMENT} text)

if(EXISTS ${FONT_COPYRIGHT})
  file(READ ${FONT_COPYRIGHT} copyright)
  # The stand-alone licence paragraph of the machine-readable copyright file:
  # its "License:" line followed by indented lines, up to the next blank line.
  string(REGEX MATCH "\nLicense: GUST-Font-License\n [^\n]*(\n [^\n]*)*" paragraph "${copyright}")
  if(paragraph)
    string(REGEX REPLACE "^\nLicense: GUST-Font-License\n" "" paragraph "${paragraph}")
    # Undo the paragraph's indentation; a lone "." stands for an empty line.
    string(REGEX REPLACE "\n \\.(\n|$)" "\n\n" paragraph "\n${paragraph}")
    string(REGEX REPLACE "\n " "\n" paragraph "${paragraph}")
    string(APPEND text "\n\nThe GUST Font License, as the package fonts-texgyre states it\n"
                       "(${FONT_COPYRIGHT}):\n${paragraph}\n")
  endif()
endif()

file(WRITE ${OUTPUT} "${text}")
