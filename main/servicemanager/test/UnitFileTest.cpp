#include "servicemanager/UnitFile.h"

#include <gtest/gtest.h>

#include <string>

using servicemanager::UnitName;
using servicemanager::UnitText;

TEST(UnitFile, TheMainServiceAndAnInstance) {
    shell::ServiceDefinition main{"TrevoPrint", "Trevo Printing Module", "/opt/trevo/bin/veka", "",
                                  "/var/lib/trevo"};
    EXPECT_EQ(UnitName(main.name), "TrevoPrint.service");
    EXPECT_EQ(UnitText(main),
              "[Unit]\n"
              "Description=Trevo Printing Module\n"
              "\n"
              "[Service]\n"
              "Type=notify\n"
              "ExecStart=/opt/trevo/bin/veka\n"
              "Environment=TREVO_HOME=/var/lib/trevo\n"
              "\n"
              "[Install]\n"
              "WantedBy=multi-user.target\n");

    shell::ServiceDefinition instance{"001TrevoPrint", "Trevo Print Module001",
                                      "/opt/trevo/bin/veka", "001", "/var/lib/trevo"};
    EXPECT_EQ(UnitName(instance.name), "001TrevoPrint.service");
    const std::string text = UnitText(instance);
    EXPECT_NE(text.find("\nDescription=Trevo Print Module001\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nExecStart=/opt/trevo/bin/veka 001\n"), std::string::npos) << text;
}

// What an administrator typed after "/ns", or a path with blanks, cannot break the unit: no
// line of its own, no specifier or variable expanded, no word split.
TEST(UnitFile, OutsideTextIsMadeSafe) {
    const struct {
        std::string in, name;
    } names[] = {
        {"TrevoPrint", "TrevoPrint.service"},
        {"0 1TrevoPrint", "0\\x201TrevoPrint.service"},
        {".aTrevoPrint", "\\x2eaTrevoPrint.service"},
        {"a@b:c_d.e-fTrevoPrint", "a\\x40b:c_d.e-fTrevoPrint.service"},
        {"\xC3\xA9TrevoPrint", "\\xc3\\xa9TrevoPrint.service"},
    };
    for (const auto& n : names) EXPECT_EQ(UnitName(n.in), n.name) << n.in;

    shell::ServiceDefinition odd{"x", "Print 100%\nExecStart=/bin/evil\\",
                                 "/opt/my trevo/veka$HOME", "0\"1 ;$X", "/var/lib/trevo 50%"};
    const std::string text = UnitText(odd);
    EXPECT_NE(text.find("\nDescription=Print 100%% ExecStart=/bin/evil\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\nExecStart=\"/opt/my trevo/veka$HOME\" \"0\\\"1 ;$$X\"\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nEnvironment=\"TREVO_HOME=/var/lib/trevo 50%%\"\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("\nExecStart=/bin/evil"), std::string::npos);
}
