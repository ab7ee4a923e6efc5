// Found before the compiler's own header of this name (the launcher puts this
// folder first on its include path). It keeps all of that header and turns
// off one thing: the library's declarations that its templates, chiefly
// std::string and std::wstring, are compiled once inside libstdc++. With
// those declarations every call goes to the library's copy, and linking one
// member brings in the whole prebuilt string object, whose unwind tables
// keep all of its members alive: some 33 KB per character type in the
// 32-bit launcher. Without them the compiler instantiates the members the
// launcher uses in its own objects, where unused ones are dropped.
#include_next <bits/c++config.h>

#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
