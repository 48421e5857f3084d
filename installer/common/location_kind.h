#pragma once

// What the distribution location is, which decides the transfer that
// fetches from it.
enum class LocationKind {
    Folder,   // file: a local or network folder
    Http,     // http: a server, directly or through a proxy
};
