// Writes the LV2 bundle's manifest, the plug-in's description and the factory
// programs as presets, straight from the parameter table, the shape table and
// the factory bank: what a host reads cannot drift from what the instrument does.
//   tine_lv2_turtle BUNDLE_FOLDER
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/ShapeTable.h"
#include "lv2/Lv2Layout.h"
#include "params/ParameterTable.h"
#include "params/Program.h"

namespace {

using namespace tine;

const char* const kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix param: <http://lv2plug.in/ns/ext/parameters#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// The shortest text that reads back as the same float, so presets carry the
// programs' exact values. It always has a point or an exponent: Turtle reads
// a bare "1" as an integer.
std::string number(float value) {
    char text[32] = {};
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof(text), "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value)
            break;
    }
    std::string out = text;
    if (out.find_first_of(".e") == std::string::npos)
        out += ".0";
    return out;
}

std::string quoted(const char* text) {
    std::string out = "\"";
    for (const char* c = text; *c; ++c) {
        if (*c == '"' || *c == '\\')
            out += '\\';
        out += *c;
    }
    return out + "\"";
}

std::string presetUri(int program) {
    return "<" + std::string(lv2::kPresetUriPrefix) + std::to_string(program) + ">";
}

// The name in lower case with underscores; a name that several rows share
// ("Unused") also carries the row's index.
std::string portSymbol(int index) {
    const char* name = ParameterTable[index].name;
    std::string symbol;
    for (const char* c = name; *c; ++c)
        symbol +=
            std::isalnum(static_cast<unsigned char>(*c)) ? char(std::tolower(static_cast<unsigned char>(*c))) : '_';
    int sharing = 0;
    for (const ParameterDescriptor& row : ParameterTable) sharing += std::strcmp(row.name, name) == 0;
    if (sharing > 1)
        symbol += "_" + std::to_string(index);
    return symbol;
}

void scalePoint(std::string& out, const char* label, float value, bool first) {
    out += first ? "        lv2:scalePoint " : " ,\n            ";
    out += "[ rdfs:label " + quoted(label) + " ; rdf:value " + number(value) + " ]";
}

// Points that name a row's values: the shapes by their names, the velocity
// curves and the mutes by their display texts.
std::string scalePoints(const ParameterDescriptor& row) {
    std::string out;
    char label[kParamTextBytes];
    if (row.display == formatShape) {
        for (const ShapeRecord& shape : kShapeDesigns)
            if (shape.name)
                scalePoint(out, shape.name, shape.key, out.empty());
    } else if (row.display == formatCurve) {
        out += "        lv2:portProperty lv2:enumeration ;\n";
        for (int step = 0; row.minValue + float(step) * row.step <= row.maxValue; ++step) {
            const float value = row.minValue + float(step) * row.step;
            row.display(value, label);
            scalePoint(out, label, value, step == 0);
        }
    } else if (row.display == formatOnOff) {
        out += "        lv2:portProperty lv2:toggled ;\n";
        for (float value : {row.minValue, row.maxValue}) {
            row.display(value, label);
            scalePoint(out, label, value, value == row.minValue);
        }
    } else if (std::strcmp(row.name, "Unused") == 0) {
        return "        lv2:portProperty pprops:notOnGUI ;\n";
    } else {
        return "";
    }
    return out + " ;\n";
}

std::string description() {
    std::string out = kPrefixes;
    out += "<" + std::string(lv2::kPluginUri) + ">\n";
    // A plug-in is a doap:Project; said outright for validators that do not follow the class chain.
    out +=
        "    a lv2:InstrumentPlugin , lv2:Plugin , doap:Project ;\n"
        "    doap:name \"Tinemaster\" ;\n"
        "    doap:maintainer [ foaf:name \"Corvane\" ] ;\n"
        "    lv2:minorVersion 0 ;\n"
        "    lv2:microVersion 0 ;\n"
        "    lv2:requiredFeature urid:map ;\n"
        "    lv2:optionalFeature opts:options ;\n"
        "    opts:supportedOption bufsz:maxBlockLength , param:sampleRate ;\n"
        "    lv2:extensionData state:interface ;\n";
    out +=
        "    lv2:port [\n"
        "        a lv2:InputPort , atom:AtomPort ;\n"
        "        atom:bufferType atom:Sequence ;\n"
        "        atom:supports midi:MidiEvent ;\n"
        "        lv2:designation lv2:control ;\n"
        "        lv2:index " +
        std::to_string(lv2::kMidiInPort) +
        " ;\n"
        "        lv2:symbol \"midi_in\" ;\n"
        "        lv2:name \"MIDI In\"\n";
    const struct {
        uint32_t index;
        const char *symbol, *name;
    } outputs[] = {{lv2::kLeftPort, "out_left", "Left"}, {lv2::kRightPort, "out_right", "Right"}};
    for (const auto& output : outputs) {
        out += "    ] , [\n        a lv2:OutputPort , lv2:AudioPort ;\n";
        out += "        lv2:index " + std::to_string(output.index) + " ;\n";
        out += "        lv2:symbol \"" + std::string(output.symbol) + "\" ;\n";
        out += "        lv2:name \"" + std::string(output.name) + "\"\n";
    }
    for (int i = 0; i < kNumParams; ++i) {
        const ParameterDescriptor& row = ParameterTable[i];
        out += "    ] , [\n        a lv2:InputPort , lv2:ControlPort ;\n";
        out += "        lv2:index " + std::to_string(lv2::kFirstControlPort + i) + " ;\n";
        out += "        lv2:symbol \"" + portSymbol(i) + "\" ;\n";
        out += "        lv2:name " + quoted(row.name) + " ;\n";
        out += scalePoints(row);
        out += "        lv2:default " + number(row.defaultValue) + " ;\n";
        out += "        lv2:minimum " + number(row.minValue) + " ;\n";
        out += "        lv2:maximum " + number(row.maxValue) + "\n";
    }
    return out + "    ] .\n";
}

std::string presets() {
    std::string out = kPrefixes;
    for (int p = 0; p < kNumPrograms; ++p) {
        out += presetUri(p) + "\n    a pset:Preset ;\n";
        out += "    lv2:appliesTo <" + std::string(lv2::kPluginUri) + "> ;\n";
        out += "    rdfs:label " + quoted(kFactoryBank[p].name) + " ;\n    lv2:port";
        for (int i = 0; i < kNumParams; ++i) {
            out += i == 0 ? " [\n" : " , [\n";
            out += "        lv2:symbol \"" + portSymbol(i) + "\" ;\n";
            out += "        pset:value " + number(kFactoryBank[p].values[i]) + "\n    ]";
        }
        out += " .\n\n";
    }
    return out;
}

std::string manifest() {
    std::string out = kPrefixes;
    out += "<" + std::string(lv2::kPluginUri) + ">\n    a lv2:Plugin ;\n";
    out += "    lv2:binary <" + std::string(lv2::kBinaryName) + "> ;\n";
    out += "    rdfs:seeAlso <" + std::string(lv2::kDescriptionFile) + "> .\n\n";
    for (int p = 0; p < kNumPrograms; ++p) {
        out += presetUri(p) + "\n    a pset:Preset ;\n";
        out += "    lv2:appliesTo <" + std::string(lv2::kPluginUri) + "> ;\n";
        out += "    rdfs:seeAlso <" + std::string(lv2::kPresetsFile) + "> .\n\n";
    }
    return out;
}

bool writeFile(const std::string& folder, const char* name, const std::string& text) {
    const std::string path = folder + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file)
        ok = std::fclose(file) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "tine_lv2_turtle: cannot write %s\n", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tine_lv2_turtle BUNDLE_FOLDER\n");
        return 2;
    }
    const bool ok = writeFile(argv[1], "manifest.ttl", manifest()) &&
                    writeFile(argv[1], lv2::kDescriptionFile, description()) &&
                    writeFile(argv[1], lv2::kPresetsFile, presets());
    return ok ? 0 : 1;
}
