// Writes the alarm: 9,981 samples of 8-bit mono PCM at 11,025 Hz, four steady tones whose
// loudness shifts (1.28 kHz leads at first, 4.23 kHz near 0.4 s, 1.62 kHz from 0.55 s),
// fading out over the last 0.15 s. 10,026 bytes with the pad byte of the odd data chunk.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 11025;
constexpr int Samples = 9981;

void put(std::vector<unsigned char>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}
void put(std::vector<unsigned char>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(tag[i]));
}

double bump(double t, double centre, double width) {
    const double x = (t - centre) / width;
    return std::exp(-x * x);
}

double smoothstep(double t, double from, double to) {
    const double x = std::clamp((t - from) / (to - from), 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "resources/alarm.wav";
    std::vector<unsigned char> wav;
    put(wav, "RIFF");
    put(wav, 4 + 8 + 16 + 8 + Samples + 1, 4);  // 10,018
    put(wav, "WAVE");
    put(wav, "fmt ");
    put(wav, 16, 4);
    put(wav, 1, 2);     // PCM
    put(wav, 1, 2);     // mono
    put(wav, Rate, 4);  // samples per second
    put(wav, Rate, 4);  // bytes per second
    put(wav, 1, 2);     // block align
    put(wav, 8, 2);     // bits per sample
    put(wav, "data");
    put(wav, Samples, 4);
    const double duration = static_cast<double>(Samples) / Rate;
    for (int n = 0; n < Samples; ++n) {
        const double t = static_cast<double>(n) / Rate;
        const double a1280 = 0.2 + 0.8 * bump(t, 0.0, 0.25);
        const double a1620 = 0.15 + 0.85 * smoothstep(t, 0.45, 0.6);
        const double a3370 = 0.3;
        const double a4230 = 0.1 + 0.9 * bump(t, 0.4, 0.1);
        const double fade = std::clamp((duration - t) / 0.15, 0.0, 1.0);
        const double w = 2 * std::numbers::pi * t;
        const double mix = a1280 * std::sin(w * 1280) + a1620 * std::sin(w * 1620) +
                           a3370 * std::sin(w * 3370) + a4230 * std::sin(w * 4230);
        const double sample = 128 + 120 * fade * mix / 2.2;
        wav.push_back(static_cast<unsigned char>(std::lround(std::clamp(sample, 0.0, 255.0))));
    }
    wav.push_back(0);  // pad byte
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    if (!out) {
        std::fprintf(stderr, "wavgen: could not write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
