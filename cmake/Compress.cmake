# pivora_compress(FILE VAR): compresses FILE (in the build tree) beside itself as Debian wants
# manual pages and changelogs (gzip -9, no name or time stamp inside), and sets VAR to the
# file to install: FILE.gz, or FILE itself where there is no gzip.
function(pivora_compress file var)
  find_program(GZIP_EXECUTABLE gzip)
  if(GZIP_EXECUTABLE)
    execute_process(COMMAND ${GZIP_EXECUTABLE} -9 -n -k -f ${file} COMMAND_ERROR_IS_FATAL ANY)
    set(${var} ${file}.gz PARENT_SCOPE)
  else()
    set(${var} ${file} PARENT_SCOPE)
  endif()
endfunction()
