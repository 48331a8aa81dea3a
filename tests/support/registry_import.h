// Not written yet: putting registry data in place for a test.
#pragma once
