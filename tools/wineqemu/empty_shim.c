/* empty 64-bit placeholder so that 64-bit host processes can load the same LD_PRELOAD path silently */
void wineqemu_shim_dummy(void) {}
