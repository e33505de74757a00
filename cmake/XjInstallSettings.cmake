# Install-time script (run by `cmake --install` and by CPack): installs the program's
# settings file SETTING.INI as a configuration file and puts a relative link to it in
# the program folder, where the program reads it and, through the link, writes the
# language chosen in its language dialog.
#
#   prefix /usr (the package)   /etc/xjk52util/SETTING.INI
#   any other prefix            <prefix>/etc/xjk52util/SETTING.INI
#
# Outside the program folder the file is the administrator's: the package marks it as a
# configuration file, so an upgrade keeps the chosen language and the network search
# range instead of silently putting the shipped file back.
#
# Set before it runs: XJ_SETTINGS_FILE (the shipped file), XJ_PROGRAM_DIR (the program
# folder relative to the prefix).

set(prefix "${CMAKE_INSTALL_PREFIX}")
string(REGEX REPLACE "(.)/+$" "\\1" prefix "${prefix}")
if(prefix STREQUAL "/usr")
  set(config_dir "/etc/xjk52util")
else()
  set(config_dir "${prefix}/etc/xjk52util")
endif()
set(program_dir "${prefix}/${XJ_PROGRAM_DIR}")

file(INSTALL "${XJ_SETTINGS_FILE}" DESTINATION "${config_dir}")

file(RELATIVE_PATH link_target "${program_dir}" "${config_dir}/SETTING.INI")
set(link "${program_dir}/SETTING.INI")
message(STATUS "Installing: $ENV{DESTDIR}${link} -> ${link_target}")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${program_dir}")
# Replaces whatever an earlier installation left there (a copy of the file, an older link).
file(REMOVE "$ENV{DESTDIR}${link}")
file(CREATE_LINK "${link_target}" "$ENV{DESTDIR}${link}" SYMBOLIC)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${link}")
