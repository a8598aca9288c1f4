# Runs quillomark-headless on a ROM set (the demo's, an example's) with a key script, in a scratch
# copy of the set, and checks what a run must leave behind.
#
#   cmake -DHEADLESS=... -DDEMO_DIR=... -DSCRATCH=... -DKEYS=... -DFRAMES=N
#         -DCONSTANTS=board_constants.cmake -DEXPECTED=digests.txt [-DSNAPSHOT=reference.bmp] [-DSOUND=hex byte]
#         [-DSAME=a=b,c=d] [-DPASSES=p,q -DUPDATE=1] -P run_demo.cmake
#
# EXPECTED holds "pass digest" lines; each must appear among the run's digests.
# SNAPSHOT is compared with the vortane.bmp the key script asks for (F12).
# SOUND is the last sound command, the byte the program left at the sound-command port.
# SAME lists passes whose pictures must be equal. With UPDATE set, the digests
# of PASSES and the snapshot are written as the new references instead.
foreach(var HEADLESS DEMO_DIR SCRATCH KEYS FRAMES EXPECTED CONSTANTS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_demo.cmake needs -D${var}=...")
  endif()
endforeach()

string(REPLACE "," ";" SAME "${SAME}")
string(REPLACE "," ";" PASSES "${PASSES}")
include(${CONSTANTS}) # DUMP_FILE_SIZE, SOUND_COMMAND_PORT, ROM_SET_FILES

file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
foreach(name ${ROM_SET_FILES})
  if(NOT EXISTS ${DEMO_DIR}/${name})
    message(FATAL_ERROR "the ROM set lacks ${DEMO_DIR}/${name}")
  endif()
  file(COPY ${DEMO_DIR}/${name} DESTINATION ${SCRATCH})
endforeach()
file(COPY ${KEYS} DESTINATION ${SCRATCH})
get_filename_component(keys_name ${KEYS} NAME)

execute_process(
  COMMAND ${HEADLESS} --frames ${FRAMES} --keys ${keys_name} --digests digests.txt --sound-log sounds.txt
  WORKING_DIRECTORY ${SCRATCH}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors
  TIMEOUT 90)

set(failures "")
if(NOT result STREQUAL "1")
  string(APPEND failures "exit code ${result}, expected 1\n")
endif()
string(FIND "${errors}" "Illegal instruction" illegal)
if(NOT illegal EQUAL -1)
  string(APPEND failures "the CPU met an illegal instruction:\n${errors}\n")
endif()
foreach(check "dump.bin;${DUMP_FILE_SIZE}" "keys.bin")
  list(GET check 0 name)
  list(LENGTH check parts)
  if(parts EQUAL 2)
    list(GET check 1 want)
  elseif(DEFINED UNTIL)
    math(EXPR want "2 * ${UNTIL}")
  else()
    math(EXPR want "2 * ${FRAMES}")
  endif()
  if(NOT EXISTS ${SCRATCH}/${name})
    string(APPEND failures "${name} was not written\n")
    continue()
  endif()
  file(SIZE ${SCRATCH}/${name} size)
  if(NOT size EQUAL want)
    string(APPEND failures "${name} is ${size} bytes, expected ${want}\n")
  endif()
endforeach()

# Digests by pass.
set(digests "")
if(EXISTS ${SCRATCH}/digests.txt)
  file(STRINGS ${SCRATCH}/digests.txt digests)
endif()
function(digest_of pass out)
  set(found "")
  foreach(line ${digests})
    if(line MATCHES "^${pass} ([0-9a-f]+)$")
      set(found ${CMAKE_MATCH_1})
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

if(UPDATE)
  set(lines "")
  foreach(pass ${PASSES})
    digest_of(${pass} digest)
    string(APPEND lines "${pass} ${digest}\n")
  endforeach()
  file(WRITE ${EXPECTED} "${lines}")
  if(DEFINED SNAPSHOT)
    file(COPY_FILE ${SCRATCH}/vortane.bmp ${SNAPSHOT})
  endif()
  message(STATUS "wrote ${EXPECTED}")
else()
  file(STRINGS ${EXPECTED} expected)
  list(LENGTH digests presented)
  if(FAST_FORWARD AND NOT presented LESS FRAMES)
    string(APPEND failures "fast forward presented all ${presented} passes\n")
  endif()
  foreach(line ${expected})
    list(FIND digests "${line}" at)
    string(REGEX REPLACE " .*" "" pass "${line}")
    digest_of(${pass} got)
    if(FAST_FORWARD AND got STREQUAL "")
      continue() # a pass not presented
    endif()
    if(DEFINED UNTIL AND pass GREATER UNTIL)
      continue() # a pass the run ended before
    endif()
    if(at EQUAL -1)
      string(APPEND failures "pass ${pass}: picture digest ${got}, expected ${line}\n")
    endif()
  endforeach()
  if(DEFINED SNAPSHOT)
    if(NOT EXISTS ${SCRATCH}/vortane.bmp)
      string(APPEND failures "vortane.bmp was not written\n")
    else()
      file(SHA256 ${SCRATCH}/vortane.bmp got)
      file(SHA256 ${SNAPSHOT} want)
      if(NOT got STREQUAL want)
        string(APPEND failures "vortane.bmp differs from ${SNAPSHOT}\n")
      endif()
    endif()
  endif()
endif()

foreach(pair ${SAME})
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 a)
  list(GET pair 1 b)
  digest_of(${a} first)
  digest_of(${b} second)
  if(first STREQUAL "" OR NOT first STREQUAL second)
    string(APPEND failures "passes ${a} and ${b} should show the same picture: '${first}' and '${second}'\n")
  endif()
endforeach()

if(DEFINED SOUND AND EXISTS ${SCRATCH}/dump.bin)
  file(READ ${SCRATCH}/dump.bin last_command OFFSET ${SOUND_COMMAND_PORT} LIMIT 1 HEX)
  if(NOT last_command STREQUAL SOUND)
    string(APPEND failures "last sound command ${last_command}, expected ${SOUND}\n")
  endif()
  # The sound log: every command with its pass, in pass order, the last one the byte at the port.
  file(STRINGS ${SCRATCH}/sounds.txt sounds)
  set(previous 0)
  math(EXPR last_pass "${FRAMES} + 1") # commands queued after the last pass carry the next one's number
  foreach(line IN LISTS sounds)
    if(NOT line MATCHES "^([0-9]+) ([0-9a-f][0-9a-f])$" OR CMAKE_MATCH_1 LESS previous OR CMAKE_MATCH_1 GREATER last_pass)
      string(APPEND failures "sound log line '${line}' after pass ${previous}\n")
      break()
    endif()
    set(previous ${CMAKE_MATCH_1})
    set(last_logged ${CMAKE_MATCH_2})
  endforeach()
  if(NOT "${last_logged}" STREQUAL SOUND)
    string(APPEND failures "last logged sound command '${last_logged}', expected ${SOUND}\n")
  endif()
endif()

if(failures)
  message(FATAL_ERROR "run in ${SCRATCH}:\n${failures}")
endif()
