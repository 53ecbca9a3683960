# owned by the qtloop work; see the README
