/* Preloaded into the sanitizer build during the soak (after the sanitizer
 * runtime): dlclose does nothing, so libraries that Mesa and SDL load and
 * unload stay mapped until exit, and the leak checker can name the library
 * an allocation came from instead of "<unknown module>". Only then can the
 * leaks of those libraries be told apart from ours and suppressed. */
int dlclose(void* handle) {
    (void)handle;
    return 0;
}
