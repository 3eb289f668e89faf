# Warns when the static program PROGRAM calls into the name-service switch
# (user, group, host or service look-ups): statically linked, those need the
# shared libraries of the very system they are meant to run without.
execute_process(COMMAND ${NM} ${PROGRAM} OUTPUT_VARIABLE symbols ERROR_QUIET)
set(found "")
foreach(fn getpwnam getpwuid getpwent getgrnam getgrgid getgrent getgrouplist initgroups
    getaddrinfo getnameinfo gethostbyname gethostbyaddr getservbyname getprotobyname
    getspnam getnetgrent)
  if(symbols MATCHES "[ \t]${fn}(_r)?(@[^\n]*)?\n")
    list(APPEND found ${fn})
  endif()
endforeach()
if(found)
  list(JOIN found ", " names)
  message(WARNING "${PROGRAM} is static but needs the name-service switch: ${names}")
endif()
