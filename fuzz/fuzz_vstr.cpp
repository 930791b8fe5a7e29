// Fuzz target: vstr operations driven by the input bytes, checked against a
// plain string model.
#include <stddef.h>
#include <stdint.h>
#include <string>

#include "core/mem.h"
#include "core/vstr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    vstr s;
    vstrInit(&s);
    std::string model;
    size_t i = 0;
    while (i + 2 <= size) {
        uint8_t op = data[i] % 5, arg = data[i + 1];
        i += 2;
        std::string text((const char *) data + i,
                         (const char *) data + i + (arg % 8 < size - i ? arg % 8 : 0));
        if (text.find('\0') != std::string::npos) text.clear();
        switch (op) {
        case 0:
            vstrAppendCh(&s, (char) (arg | 1));
            model += (char) (arg | 1);
            break;
        case 1:
            vstrAppend(&s, text.c_str());
            model += text;
            break;
        case 2:
            if (!model.empty()) {
                uint32_t off = arg % (model.size() + 1);
                vstrInsertStr(&s, text.c_str(), off);
                model.insert(off, text);
            }
            break;
        case 3:
            if (!model.empty()) {
                uint32_t off = arg % model.size();
                uint32_t n = (model.size() - off) / 2;
                vstrDelete(&s, off, n);
                model.erase(off, n);
            }
            break;
        case 4:
            if (!text.empty()) {
                vstrSub(&s, text.c_str(), "%s");
                std::string out;
                size_t p = 0, q;
                while ((q = model.find(text, p)) != std::string::npos) {
                    out += model.substr(p, q - p) + "%s";
                    p = q + text.size();
                }
                model = out + model.substr(p);
            }
            break;
        }
        i += arg % 8 < size - i ? arg % 8 : 0;
        if (model.size() != (s.data ? s.length : 0) || (s.data && model != s.data))
            __builtin_trap();
    }
    vstrClear(&s);
    return 0;
}
