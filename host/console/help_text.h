// The text of the console's help command.
#pragma once

#include <string>

const std::string& HelpText();
