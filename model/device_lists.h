#pragma once
// The workspace's three device lists.
#include "model/capture_dev_list.h"
#include "model/master_dev_list.h"
#include "model/slave_dev_list.h"
