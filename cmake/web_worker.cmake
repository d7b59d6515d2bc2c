# Writes the web page's service worker from its template: the cache name and
# each page file's SHA-256 digest, so that every build that changes a byte of
# the page gives a worker of other bytes (and so a fresh cache).
#   cmake -DDIR=<page folder> -DTEMPLATE=<service-worker.js.in> -DFILES=<a;b;...> -P web_worker.cmake
# Run by the web build (web.cmake) after the page's files are made; writes
# DIR/service-worker.js.
foreach(var DIR TEMPLATE FILES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "web_worker.cmake: -D${var}=... is needed")
  endif()
endforeach()

set(entries "")
set(all "")
foreach(name IN LISTS FILES)
  file(SHA256 "${DIR}/${name}" digest)
  list(APPEND entries "  \"${name}\": \"${digest}\"")
  string(APPEND all "${name} ${digest}\n")
endforeach()
list(JOIN entries ",\n" joined)
set(VORN_WEB_FILES "{\n${joined},\n}")
string(SHA256 build "${all}")
string(SUBSTRING "${build}" 0 16 build)
set(VORN_WEB_CACHE "vorngroundeditor-${build}")
configure_file("${TEMPLATE}" "${DIR}/service-worker.js" @ONLY)
