# owned by the cli work; see the README
