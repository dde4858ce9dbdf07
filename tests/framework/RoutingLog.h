#pragma once

#include <string>
#include <vector>

// Which target handled what, in order, across the routing chain.
std::vector<std::string>& RoutingLog();
