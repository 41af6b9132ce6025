// A plot module of another build: its entries have the right names, its version another text.

#include <string>

extern "C" __attribute__((visibility("default"))) const char* tavrine_plot_module_version() {
    return "tavrine-plot 0.0.1 interface 0";
}

extern "C" __attribute__((visibility("default"))) bool tavrine_plot_write_tilt_plot(
    const void*, const std::string*, std::string*, const std::string*) {
    return true;
}

extern "C" __attribute__((visibility("default"))) bool tavrine_plot_write_tilt_strip(
    const void*, const void*, const std::string*, std::string*) {
    return true;
}
