// Linked into the tests of the sanitized build (MUV_SANITIZE): no library is unloaded, so that what a
// system library allocated stays its own until the process ends. LeakSanitizer cannot tell whose an
// allocation is once the library that made it has gone, and reports it as a leak of an unknown module.
// That is what happens when PortAudio lists the devices: ALSA loads the plugin of every PCM it knows of
// and unloads it again, and the constructors of the libraries a plugin brings in allocate (libgomp and
// libpixman, which come with libavcodec for the a52 and lavrate plugins).
//
// The executable's dlclose comes before the C library's for every library that calls it.
extern "C" int dlclose(void*) {
    return 0;
}
