# Run by ctest before it runs any test (a TEST_INCLUDE_FILES script; see
# CMakeLists.txt here): every test it starts gets a home of its own inside the
# build folder, so that nothing a test or a program it starts writes lands in
# the user's home or the system's folders. Qt keeps its settings, caches and
# runtime files there (never ~/.config/QtProject.conf, never
# /tmp/runtime-<user>), and smbstatus, asked without a configuration of the
# test's own, reads one whose every folder is there (never /run/samba).
# RAVELIN_TEST_HOME is set by the line that includes this file.
set(home ${RAVELIN_TEST_HOME})
set(samba ${home}/samba)
foreach(dir config cache data state runtime samba)
  file(MAKE_DIRECTORY ${home}/${dir})
endforeach()
file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(conf "[global]\n")
foreach(setting "lock directory" "state directory" "cache directory" "pid directory" "private dir" "ncalrpc dir"
                "binddns dir" "usershare path" "winbindd socket directory" "ntp signd socket directory")
  string(REPLACE " " "-" dir "${setting}")
  file(MAKE_DIRECTORY ${samba}/${dir})
  string(APPEND conf "${setting} = ${samba}/${dir}\n")
endforeach()
string(APPEND conf "log file = ${samba}/log.%m\n")
file(WRITE ${samba}/smb.conf "${conf}")

set(ENV{HOME} ${home})
set(ENV{XDG_CONFIG_HOME} ${home}/config)
set(ENV{XDG_CACHE_HOME} ${home}/cache)
set(ENV{XDG_DATA_HOME} ${home}/data)
set(ENV{XDG_STATE_HOME} ${home}/state)
set(ENV{XDG_RUNTIME_DIR} ${home}/runtime)
set(ENV{SMB_CONF_PATH} ${samba}/smb.conf)
