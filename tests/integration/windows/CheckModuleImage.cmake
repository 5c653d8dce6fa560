# Reads LustreStrand.dll with objdump -p and checks what a Windows host sees
# before it calls anything: exactly the two undecorated exports, the
# descriptor resource (type PIPL, id 16000, US English) and the version
# block, and imports of system DLLs only.
#   cmake -DOBJDUMP=... -DMODULE=.../LustreStrand.dll -P CheckModuleImage.cmake
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${MODULE} failed: ${result}")
endif()

# The names follow the "[Ordinal/Name Pointer] Table" heading, one a line:
# "\t[   0] PluginEntry".
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(\t\\[ *[0-9]+\\] [^\n]+\n)+" table "${dump}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" rows "${table}")
set(exports "")
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^\t\\[ *[0-9]+\\] " "" name "${row}")
  list(APPEND exports ${name})
endforeach()
list(SORT exports)
if(NOT exports STREQUAL "LustreStrand_Descriptor;PluginEntry")
  message(FATAL_ERROR "exports are '${exports}', not exactly LustreStrand_Descriptor and PluginEntry")
endif()

# The resource directory, one level a line: the type (PIPL by name, the
# version block as type 16), its table, the entry's id, its table, the
# language.
set(level "[^\n]*\n[^\n]*\n[^\n]*")
string(FIND "${dump}" "The .rsrc Resource Directory" at)
string(SUBSTRING "${dump}" ${at} -1 resources)
if(NOT resources MATCHES "Entry: name: [^\n]*: PIPL,${level}Entry: ID: 0x003e80,${level}Entry: ID: 0x000409,")
  message(FATAL_ERROR "no PIPL resource 16000 in language 0x409:\n${resources}")
endif()
if(NOT resources MATCHES "Entry: ID: 0x000010,${level}Entry: ID: 0x000001,${level}Entry: ID: 0x000409,")
  message(FATAL_ERROR "no version block 1 in language 0x409:\n${resources}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(import IN LISTS imports)
  string(TOLOWER "${import}" import)
  if(NOT import MATCHES "^dll name: (kernel32|msvcrt|user32|advapi32|ntdll)\\.dll$")
    message(FATAL_ERROR "the module imports a DLL that is not the system's: ${import}")
  endif()
endforeach()
if(NOT imports)
  message(FATAL_ERROR "no import table read from ${MODULE}")
endif()
message(STATUS "exports: ${exports}; PIPL 16000 and version block in 0x409; ${imports}")
