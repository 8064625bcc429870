# For the scripts that run the program itself (cmake -P): its settings and data in a home of its own,
# every on-line service on loopback, and WAV files in place of the sound card.
set(MUV_OFFLINE_SERVERS "${CMAKE_CURRENT_LIST_DIR}/../test_support/offline_servers.ini")

# home: the folder under which config/ and data/ go; input and output: the recording it hears and the
# file it transmits into.
function(muv_offline_environment home input output)
    set(ENV{XDG_CONFIG_HOME} "${home}/config")
    set(ENV{XDG_DATA_HOME} "${home}/data")
    set(ENV{MUV_SERVERS} "${MUV_OFFLINE_SERVERS}")
    set(ENV{MUV_SOUND_INPUT} "${input}")
    set(ENV{MUV_SOUND_OUTPUT} "${output}")
endfunction()
