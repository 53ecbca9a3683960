# owned by the sim work; see the README
