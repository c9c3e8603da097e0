// pellar-json: reads a JSON text (an ad answer, say) and prints it back in the
// writer's compact form, or the reader's error. For debugging answers by hand.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "json/JSONDeserializer.h"
#include "json/JSONSerializer.h"

namespace {

int usage()
{
    std::fprintf(stderr,
        "usage: pellar-json [--dict] [FILE|-]\n"
        "  Parses FILE (standard input when absent or -) and prints it as compact JSON.\n"
        "  --dict  require an object at the top level, as ad answers are read\n"
        "Without --dict any value may stand at the top level; text that starts no\n"
        "value prints an empty line. On failure prints 'error: DOMAIN CODE MESSAGE'\n"
        "and exits with 1.\n");
    return 2;
}

}

int main(int argc, char** argv)
{
    bool dictionary = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dict") == 0)
            dictionary = true;
        else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return usage(), 0;
        else if (!path && (std::strcmp(argv[i], "-") == 0 || argv[i][0] != '-'))
            path = argv[i];
        else
            return usage();
    }

    std::string data;
    if (!path || std::strcmp(path, "-") == 0) {
        std::ostringstream buffer;
        buffer << std::cin.rdbuf();
        data = buffer.str();
    } else {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "pellar-json: cannot read %s: %s\n", path, std::strerror(errno));
            return 1;
        }
        data.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    JSONDeserializer deserializer;
    JSONError error;
    std::optional<JSONValue> value
        = dictionary ? deserializer.deserializeAsDictionary(data, &error) : deserializer.deserialize(data, &error);
    if (!value && error.code != 0) {
        std::string line = "error: " + error.domain + " " + std::to_string(error.code);
        if (!error.message.empty())
            line += " " + error.message;
        std::fprintf(stderr, "%s\n", line.c_str());
        return 1;
    }
    try {
        std::string text = value ? JSONSerializer().serializeObject(*value) : std::string();
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
    } catch (const JSONSerializerException& exception) {
        std::fprintf(stderr, "error: %s\n", exception.what());
        return 1;
    }
    return 0;
}
