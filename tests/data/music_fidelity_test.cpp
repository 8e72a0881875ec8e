// The music as the show decodes it, against the samples the generator synthesised before
// encoding them: the same length to the sample, and a spectrum the ear cannot tell from the
// source's. The measure: the music cut into 2048-sample windows (Hann, half overlapping), each
// window's spectrum summed into third-octave bands from 50 Hz to 16 kHz, and in every band loud
// enough to hear (within 40 dB of the window's loudest and above -90 dB of full scale) the
// difference in level between source and decoding, in dB.
#include "platform/bass/decode_audio.h"
#include "platform/files/resolve_path.h"
#include "tools/datagen/music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWindow = 2048;
constexpr double kRate = 44100;

// In-place radix-2 FFT.
void Fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2 * M_PI / double(length));
        for (size_t i = 0; i < n; i += length) {
            std::complex<double> w = 1;
            for (size_t k = 0; k < length / 2; ++k, w *= step) {
                const std::complex<double> u = a[i + k], v = a[i + k + length / 2] * w;
                a[i + k] = u + v;
                a[i + k + length / 2] = u - v;
            }
        }
    }
}

// Band energies of the mono mix of `samples` (interleaved stereo) from frame `at`.
std::vector<double> Bands(const int16_t* samples, size_t at, const std::vector<int>& edges) {
    std::vector<std::complex<double>> window(kWindow);
    for (int i = 0; i < kWindow; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2 * M_PI * i / kWindow);
        const size_t frame = at + size_t(i);
        window[size_t(i)] = hann * (samples[2 * frame] + samples[2 * frame + 1]) / 65536.0;
    }
    Fft(window);
    std::vector<double> bands(edges.size() - 1, 0.0);
    for (size_t b = 0; b + 1 < edges.size(); ++b)
        for (int k = edges[b]; k < edges[b + 1]; ++k)
            bands[b] += std::norm(window[size_t(k)]);
    return bands;
}

TEST(MusicFidelity, TheDecodedMusicSoundsAsSynthesised) {
    const std::vector<int16_t> source = SynthesiseMusic(int(kRate), 195.5f);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(ReadWholeFile(std::string(SHOW_DATA_DIR) + "/avseq01.mp3", bytes), 0);
    DecodedAudio decoded;
    ASSERT_EQ(DecodeAudio(bytes.data(), bytes.size(), decoded), 0);
    ASSERT_EQ(decoded.format.channels, 2u);
    ASSERT_EQ(decoded.FrameCount(), source.size() / 2) << "the decoder's delay is not trimmed";
    const auto* heard = reinterpret_cast<const int16_t*>(decoded.samples.data());

    // Third-octave band edges as FFT bins.
    std::vector<int> edges;
    for (double f = 50 / std::cbrt(std::sqrt(2.0)); f < 16000; f *= std::cbrt(2.0))
        edges.push_back(std::max(1, int(std::lround(f * kWindow / kRate))));
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    std::vector<double> differences;
    for (size_t at = 0; at + kWindow <= source.size() / 2; at += kWindow / 2) {
        const std::vector<double> a = Bands(source.data(), at, edges), b = Bands(heard, at, edges);
        const double loudest = *std::max_element(a.begin(), a.end());
        for (size_t i = 0; i < a.size(); ++i) {
            const double floor = std::max(loudest * 1e-4, 1e-9 * kWindow);
            if (a[i] > floor) differences.push_back(std::fabs(10 * std::log10(b[i] / a[i])));
        }
    }
    ASSERT_GT(differences.size(), 10000u);
    std::sort(differences.begin(), differences.end());
    double sum = 0;
    for (double d : differences)
        sum += d;
    const double mean = sum / double(differences.size());
    const double p99 = differences[differences.size() * 99 / 100];
    std::printf("third-octave bands: mean difference %.3f dB, 99th percentile %.3f dB, over %zu\n",
                mean, p99, differences.size());
    // A change of level of about 1 dB is the least the ear tells apart; the encoding's error is
    // below half that on average, and beyond 3 dB only in bands the window's loudest masks.
    EXPECT_LT(mean, 0.6);
    EXPECT_LT(p99, 3.0);
}

} // namespace
