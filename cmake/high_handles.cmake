# 64-bit: the end-to-end scans through the sample scanner run with its memory above 4 GB, so a
# handle or pointer kept in 32 bits anywhere on the way fails the test that carries it.
function(vantrel_scans_above_4gb)
  if(VANTREL_WIN64)
    set_property(TEST ${ARGN} APPEND PROPERTY ENVIRONMENT "VANTREL_SCANNER_QUIRKS=high-handles")
  endif()
endfunction()
