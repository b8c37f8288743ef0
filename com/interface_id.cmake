# Writes the resource `1 _IID<INTERFACE>` from the identifier widl compiled into INPUT (NAME_i.c),
# so the DLL's copy of the interface id is the type library's own and cannot drift from it.
# Usage: cmake -DINPUT=NAME_i.c -DOUTPUT=NAME_iid.rc -DINTERFACE=_TWAIN -P interface_id.cmake

# `value` (0x...) as `width` lower-case hex digits.
function(hex_digits value width out)
  string(TOLOWER "${value}" value)
  string(REGEX REPLACE "^0x" "" value "${value}")
  string(LENGTH "${value}" length)
  while(length LESS width)
    string(PREPEND value "0")
    math(EXPR length "${length} + 1")
  endwhile()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

file(READ "${INPUT}" contract)
if(NOT contract MATCHES "MIDL_DEFINE_GUID\\(IID, IID_${INTERFACE},([^)]*)\\)")
  message(FATAL_ERROR "${INPUT} defines no IID_${INTERFACE}")
endif()
# Data1, Data2, Data3 and the eight bytes of Data4.
string(REPLACE " " "" fields "${CMAKE_MATCH_1}")
string(REPLACE "," ";" fields "${fields}")
list(LENGTH fields count)
if(NOT count EQUAL 11)
  message(FATAL_ERROR "IID_${INTERFACE} in ${INPUT} has ${count} fields, not 11")
endif()
foreach(field IN LISTS fields)
  if(NOT field MATCHES "^0x[0-9a-fA-F]+$")
    message(FATAL_ERROR "IID_${INTERFACE} in ${INPUT}: '${field}' is not a hex number")
  endif()
endforeach()

list(GET fields 0 field)
hex_digits(${field} 8 data1)
list(GET fields 1 field)
hex_digits(${field} 4 data2)
list(GET fields 2 field)
hex_digits(${field} 4 data3)
# The resource compiler writes each 16-bit number little-endian: a pair's first byte is its low byte.
set(data4 "")
foreach(first 3 5 7 9)
  math(EXPR second "${first} + 1")
  list(GET fields ${first} field)
  hex_digits(${field} 2 low)
  list(GET fields ${second} field)
  hex_digits(${field} 2 high)
  string(APPEND data4 ", 0x${high}${low}")
endforeach()

get_filename_component(source "${INPUT}" NAME)
set(text "// Written by interface_id.cmake from widl's ${source}: the 16-byte identifier of ${INTERFACE}
// behind its 32-bit length, as in the type library.
1 _IID${INTERFACE}
BEGIN
  16L, 0x${data1}L, 0x${data2}, 0x${data3}${data4}
END
")
# Rewritten only when it changes, so the DLL is not linked again for nothing.
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${text}" @ONLY)
