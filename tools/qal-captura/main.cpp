// qal-captura: the demo folder's external capture program. It takes no prints: it copies
// sample prints of the folder "muestras" beside it (the BMP files in name order, the first
// for finger 1) as a live-scan vendor's program would write fresh ones.
//
//   qal-captura "Ped: 15 Reg: 3"     the ten prints: dedo1.bmp .. dedo10.bmp
//   qal-captura "Indice Derecho"     one print: huella.bmp, the sample of that finger
//   qal-captura prueba               one print (the configuration window's test)
//
// Every run appends its argument to qal-captura.log. Outputs go beside the program, in the
// live-scan folder, written under a temporary name and renamed into place.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char *const kFingers[] = {"Pulgar Derecho",   "Indice Derecho",   "Medio Derecho",   "Anular Derecho",
                                "Meñique Derecho",  "Pulgar Izquierdo", "Indice Izquierdo", "Medio Izquierdo",
                                "Anular Izquierdo", "Meñique Izquierdo"};

bool copyInto(const fs::path &source, const fs::path &target)
{
    std::error_code ec;
    const fs::path temp = target.string() + ".tmp";
    fs::copy_file(source, temp, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::rename(temp, target, ec);
    if (ec) {
        std::fprintf(stderr, "qal-captura: %s: %s\n", target.c_str(), ec.message().c_str());
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    std::error_code ec;
    const fs::path self = fs::canonical(fs::path("/proc/self/exe"), ec);
    const fs::path folder = ec ? fs::current_path() : self.parent_path();
    const std::string argument = argc > 1 ? argv[1] : "";
    std::ofstream(folder / "qal-captura.log", std::ios::app) << argument << '\n';

    std::vector<fs::path> samples;
    for (const auto &entry : fs::directory_iterator(folder / "muestras", ec)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (entry.is_regular_file() && ext == ".bmp")
            samples.push_back(entry.path());
    }
    std::sort(samples.begin(), samples.end());
    if (samples.empty()) {
        std::fprintf(stderr, "qal-captura: no sample prints in %s\n", (folder / "muestras").c_str());
        return 1;
    }

    if (argument.rfind("Ped:", 0) == 0) {
        bool ok = true;
        for (int n = 1; n <= 10; ++n)
            ok = copyInto(samples[std::size_t(n - 1) % samples.size()], folder / ("dedo" + std::to_string(n) + ".bmp")) && ok;
        return ok ? 0 : 1;
    }
    std::size_t finger = 0;
    for (std::size_t i = 0; i < 10; ++i)
        if (argument == kFingers[i])
            finger = i;
    return copyInto(samples[finger % samples.size()], folder / "huella.bmp") ? 0 : 1;
}
