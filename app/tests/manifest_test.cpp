// The side-by-side manifest: resource 1 of type RT_MANIFEST, language-neutral,
// naming the program and binding it to version 6 of the common controls for
// the executable's own processor.
#include <windows.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "resource_fixture.h"

namespace pelvaro::test {
namespace {

constexpr unsigned kManifestType = 24;

// One tag of the XML text: its name ("?xml", "assembly", "/assembly"), its
// attributes, and the text that follows it up to the next tag.
struct Tag {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string textAfter;
};

// Splits the manifest into its tags. It is not a general XML reader: the
// manifest has no comments, CDATA or entities, and a tag that does not parse
// shows as a name the tests do not expect.
std::vector<Tag> Tags(const std::string& xml) {
    std::vector<Tag> tags;
    std::size_t at = xml.find('<');
    while (at != std::string::npos) {
        const std::size_t close = xml.find('>', at);
        if (close == std::string::npos) {
            tags.push_back({"(unclosed tag)", {}, {}});
            break;
        }
        std::string inside = xml.substr(at + 1, close - at - 1);
        if (!inside.empty() && (inside.back() == '/' || inside.back() == '?')) inside.pop_back();
        Tag tag;
        std::size_t i = 0;
        while (i < inside.size() && !std::isspace(static_cast<unsigned char>(inside[i])))
            tag.name += inside[i++];
        while (i < inside.size()) {
            while (i < inside.size() && std::isspace(static_cast<unsigned char>(inside[i]))) ++i;
            if (i >= inside.size()) break;
            const std::size_t equals = inside.find("=\"", i);
            const std::size_t end = equals == std::string::npos ? equals : inside.find('"', equals + 2);
            if (end == std::string::npos) {
                tag.attributes["(malformed)"] = inside.substr(i);
                break;
            }
            tag.attributes[inside.substr(i, equals - i)] = inside.substr(equals + 2, end - equals - 2);
            i = end + 1;
        }
        at = xml.find('<', close);
        tag.textAfter = xml.substr(close + 1, (at == std::string::npos ? xml.size() : at) - close - 1);
        tags.push_back(std::move(tag));
    }
    return tags;
}

std::vector<std::string> Names(const std::vector<Tag>& tags) {
    std::vector<std::string> names;
    for (const Tag& tag : tags) names.push_back(tag.name);
    return names;
}

class Manifest : public ExecutableResources {
protected:
    void SetUp() override {
        ExecutableResources::SetUp();
        if (HasFatalFailure()) return;
        const Resource resource = LoadResourceBytes(module(), IntResource(kManifestType), IntResource(1));
        ASSERT_TRUE(resource.found) << "expected a manifest resource (type 24) with id 1";
        text_.assign(resource.bytes.begin(), resource.bytes.end());
        tags_ = Tags(text_);
    }

    // The processor names for this executable: its own identity's, and the
    // dependency's (Windows writes X86 there for 32-bit programs).
    std::string Architecture() const { return GetParam().bits == 64 ? "amd64" : "x86"; }
    std::string DependencyArchitecture() const { return GetParam().bits == 64 ? "amd64" : "X86"; }

    const Tag* Find(const std::string& name, int occurrence = 0) const {
        for (const Tag& tag : tags_) {
            if (tag.name == name && occurrence-- == 0) return &tag;
        }
        return nullptr;
    }

    std::string text_;
    std::vector<Tag> tags_;
};

TEST_P(Manifest, IsTheOnlyManifestAndLanguageNeutral) {
    EXPECT_EQ(ResourceIds(module(), IntResource(kManifestType)), std::vector<long>{1})
        << "expected exactly one manifest, id 1";
    EXPECT_EQ(ResourceLanguages(module(), IntResource(kManifestType), IntResource(1)),
              std::vector<WORD>{kNeutral})
        << "expected the manifest in the neutral language only";
}

TEST_P(Manifest, IsStandaloneUtf8Xml) {
    EXPECT_EQ(text_.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>", 0), 0u)
        << "expected the manifest to open with a UTF-8, standalone XML declaration (and no byte order "
           "mark):\n"
        << text_;
    for (char byte : text_) {
        const auto c = static_cast<unsigned char>(byte);
        ASSERT_TRUE(c == '\n' || c == '\r' || c == '\t' || (c >= 0x20 && c < 0x7F))
            << "expected plain text, found byte " << int{c};
    }
}

TEST_P(Manifest, HoldsOnlyTheIdentityDescriptionAndOneDependency) {
    EXPECT_EQ(Names(tags_),
              (std::vector<std::string>{"?xml", "assembly", "assemblyIdentity", "description", "/description",
                                        "dependency", "dependentAssembly", "assemblyIdentity",
                                        "/dependentAssembly", "/dependency", "/assembly"}))
        << text_;
    const Tag* assembly = Find("assembly");
    ASSERT_NE(assembly, nullptr);
    EXPECT_EQ(assembly->attributes,
              (std::map<std::string, std::string>{{"xmlns", "urn:schemas-microsoft-com:asm.v1"},
                                                  {"manifestVersion", "1.0"}}));
}

TEST_P(Manifest, IdentifiesTheProgramForItsProcessor) {
    const Tag* identity = Find("assemblyIdentity", 0);
    ASSERT_NE(identity, nullptr) << text_;
    auto attributes = identity->attributes;
    const std::string name = attributes["name"];
    EXPECT_NE(name.find('.'), std::string::npos) << "expected a dotted name, found \"" << name << "\"";
    attributes.erase("name");
    EXPECT_EQ(attributes,
              (std::map<std::string, std::string>{
                  {"version", "1.0.0.1"}, {"processorArchitecture", Architecture()}, {"type", "win32"}}))
        << "expected the program's identity for " << GetParam().bits << "-bit Windows";
}

TEST_P(Manifest, DescribesTheProgram) {
    const Tag* description = Find("description");
    ASSERT_NE(description, nullptr) << text_;
    EXPECT_TRUE(description->attributes.empty());
    EXPECT_EQ(description->textAfter, "MSN Messenger 6 id number");
}

TEST_P(Manifest, DependsOnCommonControls6) {
    const Tag* identity = Find("assemblyIdentity", 1);
    ASSERT_NE(identity, nullptr) << text_;
    EXPECT_EQ(identity->attributes, (std::map<std::string, std::string>{
                                        {"type", "win32"},
                                        {"name", "Microsoft.Windows.Common-Controls"},
                                        {"version", "6.0.0.0"},
                                        {"processorArchitecture", DependencyArchitecture()},
                                        {"publicKeyToken", "6595b64144ccf1df"},
                                        {"language", "*"},
                                    }))
        << "expected the dependency on version 6 of the common controls for " << GetParam().bits
        << "-bit Windows";
}

// The system builds an activation context from the manifest when the program
// starts; if the manifest is malformed or names an assembly the system lacks,
// the program does not start at all. Only a manifest for this process's own
// processor can be tried here.
TEST_P(Manifest, SystemBuildsAnActivationContextFromIt) {
    if (GetParam().bits != static_cast<int>(8 * sizeof(void*))) {
        GTEST_SKIP() << "a " << GetParam().bits << "-bit manifest cannot be tried from a "
                     << 8 * sizeof(void*) << "-bit process (the " << GetParam().bits
                     << "-bit build's own tests try it)";
    }
    const std::wstring path = WindowsPath(GetParam().path);
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path.c_str();
    request.lpResourceName = IntResource(1);
    const HANDLE context = CreateActCtxW(&request);
    EXPECT_NE(context, INVALID_HANDLE_VALUE)
        << "expected CreateActCtxW to accept manifest 1 (error " << GetLastError() << ")";
    if (context != INVALID_HANDLE_VALUE) ReleaseActCtx(context);
}

INSTANTIATE_TEST_SUITE_P(Pelvaro, Manifest, ::testing::ValuesIn(PelvaroExecutables()), ExecutableLabel);

}  // namespace
}  // namespace pelvaro::test
