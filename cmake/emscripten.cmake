# Emscripten as Debian installs it (package emscripten), for the web preset.
# em++ runs its JavaScript tools under the system's Node.js, which finds
# Debian's acorn only through NODE_PATH: set for the configure checks here and
# for every link through the launcher.
find_program(ORLET_EMXX em++ REQUIRED)
file(REAL_PATH ${ORLET_EMXX} orlet_emxx)
get_filename_component(orlet_emscripten_root ${orlet_emxx} DIRECTORY)
include(${orlet_emscripten_root}/cmake/Modules/Platform/Emscripten.cmake)

set(ENV{NODE_PATH} /usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
