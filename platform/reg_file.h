// Not written yet: the registry export file reader used off Windows.
#pragma once
