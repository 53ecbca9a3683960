# owned by the gui work; see the README
